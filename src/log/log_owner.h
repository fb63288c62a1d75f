#pragma once
// Holds the run's log file for start-up: attached by init, detached when the owner goes.
#include <memory>
#include <string>

#include "log/log_fostream.h"

enum log_sink_kind { LOG_SINK_NONE = 1, LOG_SINK_FILE = 2 };

class log_owner {
 public:
  log_owner() = default;
  ~log_owner();
  log_owner(const log_owner&) = delete;
  log_owner& operator=(const log_owner&) = delete;

  // Returns whether a file sink is attached; prints "log init fail!" when it cannot be.
  bool init(int threshold, int kind, const std::string& base_path, unsigned size_mib,
            unsigned file_count, bool echo);
  // The same with the base path whole, as start-up has it.
  bool init(int threshold, int kind, const std::u16string& base_path, unsigned size_mib,
            unsigned file_count, bool echo);

 private:
  void detach();
  std::unique_ptr<log_fostream> sink_;
};
