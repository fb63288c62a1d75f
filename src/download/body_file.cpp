#include "download/body_file.h"

#include "platform/files.h"

body_file::body_file(std::u16string package_path)
    : package_(std::move(package_path)),
      temporary_(temporary_path(package_)),
      window_(std::make_unique<char[]>(window_bytes)) {}

body_file::~body_file() {
  if (!kept_) discard();
}

std::u16string body_file::temporary_path(const std::u16string& package_path) {
  return package_path + u"~";
}

bool body_file::fail() {
  if (failure_.empty()) failure_ = platform::last_error_reason();
  discard();
  return false;
}

bool body_file::restart() {
  filled_ = 0;
  if (failed()) return false;
  return file_.create(temporary_) || fail();
}

char* body_file::room_for(std::size_t bytes) {
  if (failed()) return nullptr;
  if (window_bytes - filled_ < bytes + 1 && !write_window()) return nullptr;
  return window_.get() + filled_;
}

bool body_file::write_window() {
  if (filled_ > 0 && !file_.write(window_.get(), filled_)) return fail();
  filled_ = 0;
  return true;
}

bool body_file::keep() {
  if (failed() || !write_window()) return false;
  file_.close();
  if (const platform::write_result replaced = platform::replace_file(temporary_, package_);
      !replaced) {
    failure_ = replaced.reason;
    return fail();
  }
  kept_ = true;
  return true;
}

void body_file::discard() {
  file_.close();
  platform::delete_file(temporary_);
}
