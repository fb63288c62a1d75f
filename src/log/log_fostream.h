#pragma once
// The rotating log file: lines go to path.1; once it reaches the size limit the numbered
// files move up by one (path.1 -> path.2 ...) and the oldest is deleted.
#include <cstdint>
#include <string>

#include "log/log_manager.h"
#include "platform/files.h"

class log_fostream : public v_log_ostream {
 public:
  // size in MiB (0 or above 300 gives 300); count of numbered files (0 or above 200 gives 60).
  log_fostream(std::u16string base_path, unsigned size_mib, unsigned file_count);
  // The same for a narrow base path in the ANSI code page.
  log_fostream(const std::string& base_path, unsigned size_mib, unsigned file_count);

  bool open();
  void write(const std::string& line) override;
  void rotate();

  std::uint32_t max_bytes() const { return max_bytes_; }
  std::uint32_t file_count() const { return file_count_; }
  std::u16string numbered_path(std::uint32_t n) const;

 private:
  platform::output_file file_;
  // The base path, whole: a launcher folder whose name the ANSI code page cannot hold still
  // gets its log.
  std::u16string path_;
  std::uint32_t max_bytes_;
  std::uint32_t file_count_;
};
