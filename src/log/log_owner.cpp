#include "log/log_owner.h"

#include <iostream>

#include "platform/text.h"

log_owner::~log_owner() { detach(); }

void log_owner::detach() {
  if (!sink_) return;
  auto& manager = log_manager::instance();
  std::lock_guard lock(manager);
  manager.remove_sink(sink_.get());
  sink_.reset();
}

bool log_owner::init(int threshold, int kind, const std::string& base_path, unsigned size_mib,
                     unsigned file_count, bool echo) {
  return init(threshold, kind, platform::from_ansi(base_path), size_mib, file_count, echo);
}

bool log_owner::init(int threshold, int kind, const std::u16string& base_path, unsigned size_mib,
                     unsigned file_count, bool echo) {
  detach();
  auto& manager = log_manager::instance();
  std::lock_guard lock(manager);
  manager.set_threshold(threshold);
  manager.echo_to_stdout = echo;
  if (kind == LOG_SINK_FILE) {
    auto sink = std::make_unique<log_fostream>(base_path, size_mib, file_count);
    if (sink->open()) {
      sink_ = std::move(sink);
    } else {
      std::cout << "log init fail!" << std::endl;
    }
  } else if (kind != LOG_SINK_NONE) {
    std::cout << "log init fail!" << std::endl;
  }
  if (sink_) manager.add_sink(sink_.get());
  return sink_ != nullptr;
}
