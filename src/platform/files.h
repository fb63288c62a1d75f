#pragma once
// Files and folders. Paths arrive in the core's form: "\" separates folders (as the launcher
// builds them: folder + "\dlist"), "/" is accepted too, and doubled separators are harmless.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct dir_entry {
  std::u16string name;  // name only, without folder
  bool is_directory = false;
};

// A directory search in the manner of FindFirstFileW/FindNextFileW: the last element of the
// pattern may hold the wildcards * and ?, and a plain name finds itself (file or folder).
std::vector<dir_entry> find_files(std::u16string_view pattern);
bool path_exists(std::u16string_view path);
// A file or folder at exactly this path, without wildcards, as PathFileExistsW: unlike a
// directory search it also finds a bare drive ("C:") and a folder written with a trailing "\".
bool exact_path_exists(std::u16string_view path);

// _access(path, 0) on a narrow path in the ANSI code page: a file or a folder.
bool narrow_path_exists(std::string_view ansi_path);

bool delete_file(std::u16string_view path);
bool create_directory(std::u16string_view path);
bool set_current_directory(std::u16string_view path);
std::u16string current_directory();  // without trailing separator
// Full path of the running program, in the core's form (folders separated by "\").
std::u16string module_path();

// Reads at most max_bytes from the start of an existing file; nullopt when it cannot be opened.
std::optional<std::string> read_file(std::u16string_view path, std::size_t max_bytes);
// What writing a whole file came to. On failure, reason holds the system's own words for it
// and its error number, in the ANSI code page as log lines are.
struct write_result {
  bool written = false;
  std::string reason;
  // Another program holds the file for now (a virus scanner, an indexer): worth a new try.
  bool busy = false;
  explicit operator bool() const { return written; }
};
// Whether write_file waits until the bytes are on the disk itself: records that must survive a
// power cut (and the replace that follows them) are flushed; files that only lead to other
// files (a downloaded package, unpacked right after without flushing what it holds) are not.
enum class write_flush { flushed, cached };
// Creates or truncates the file and writes the bytes (create-always). Fails when the file
// cannot be made, when not every byte reaches it (a full disk) or when it cannot be flushed.
write_result write_file(std::u16string_view path, std::string_view bytes,
                        write_flush flush = write_flush::flushed);
// The system's words for the last failed file call of this thread and its error number, as
// write_result gives them; for the calls that answer with a bare bool.
std::string last_error_reason();
// Renames from over to, replacing to in one step.
write_result replace_file(std::u16string_view from, std::u16string_view to);
bool rename_file(std::u16string_view from, std::u16string_view to);

// An output file that others may read and write while it is open (deny-none sharing).
// Text mode writes "\n" as the system's line end.
class output_file {
 public:
  enum class mode { append_text, truncate_text };
  output_file() = default;
  ~output_file();
  output_file(const output_file&) = delete;
  output_file& operator=(const output_file&) = delete;

  bool open(std::u16string_view path, mode how);
  bool is_open() const { return handle_ != invalid; }
  std::uint64_t size() const;  // current write position
  bool write(std::string_view bytes);
  bool flush();
  void close();

 private:
  static constexpr std::intptr_t invalid = -1;
  std::intptr_t handle_ = invalid;
  std::uint64_t position_ = 0;
  bool text_ = false;
};

}  // namespace platform
