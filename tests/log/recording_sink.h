#pragma once
#include <string>
#include <vector>

#include "log/log_manager.h"

// A sink that keeps the lines it is given, attached for the lifetime of the object.
class recording_sink : public v_log_ostream {
 public:
  recording_sink() {
    auto& m = log_manager::instance();
    std::lock_guard lock(m);
    m.add_sink(this);
  }
  ~recording_sink() override {
    auto& m = log_manager::instance();
    std::lock_guard lock(m);
    m.remove_sink(this);
  }
  void write(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};
