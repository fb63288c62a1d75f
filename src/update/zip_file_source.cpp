#include "update/zip_file_source.h"

#include <memory>
#include <string>

#include "platform/binary_file.h"

namespace {

using platform::binary_input_file;

binary_input_file& file_of(voidpf stream) { return *static_cast<binary_input_file*>(stream); }

// Archives are only read here.
voidpf ZCALLBACK open_file(voidpf, const void* path, int mode) {
  if (path == nullptr || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
    return nullptr;
  auto file = std::make_unique<binary_input_file>();
  if (!file->open(*static_cast<const std::u16string*>(path))) return nullptr;
  return file.release();  // minizip owns it until close_file
}

uLong ZCALLBACK read_file(voidpf, voidpf stream, void* buffer, uLong size) {
  return static_cast<uLong>(file_of(stream).read(buffer, size));
}

uLong ZCALLBACK write_file(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tell_file(voidpf, voidpf stream) {
  return static_cast<ZPOS64_T>(file_of(stream).position());
}

long ZCALLBACK seek_file(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  binary_input_file::origin from = binary_input_file::origin::start;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) from = binary_input_file::origin::current;
  else if (origin == ZLIB_FILEFUNC_SEEK_END) from = binary_input_file::origin::end;
  else if (origin != ZLIB_FILEFUNC_SEEK_SET) return -1;
  return file_of(stream).seek(static_cast<std::int64_t>(offset), from) ? 0 : -1;
}

int ZCALLBACK close_file(voidpf, voidpf stream) {
  const std::unique_ptr<binary_input_file> owned(&file_of(stream));
  return 0;
}

int ZCALLBACK error_file(voidpf, voidpf stream) { return file_of(stream).failed() ? 1 : 0; }

}  // namespace

zlib_filefunc64_def wide_path_file_functions() {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = open_file;
  functions.zread_file = read_file;
  functions.zwrite_file = write_file;
  functions.ztell64_file = tell_file;
  functions.zseek64_file = seek_file;
  functions.zclose_file = close_file;
  functions.zerror_file = error_file;
  functions.opaque = nullptr;
  return functions;
}
