#include "log/log_manager.h"

#include <cstdio>
#include <iostream>
#include <new>

#include "log/error_report.h"
#include "platform/clock.h"

// The logger is never destroyed: download workers may still log while the process ends.
class log_manager_storage {
 public:
  log_manager_storage() { ::new (static_cast<void*>(bytes_)) log_manager(); }
  log_manager& get() { return *std::launder(reinterpret_cast<log_manager*>(bytes_)); }

 private:
  alignas(log_manager) unsigned char bytes_[sizeof(log_manager)];
};

log_manager& log_manager::instance() {
  static log_manager_storage storage;  // created once, thread-safely
  return storage.get();
}

const char* log_level_tag(int level) {
  switch (level) {
    case LOG_DEBUG: return "[DEBUG]";
    case LOG_INFO: return "[INFO ]";
    case LOG_WARN: return "[WARN ]";
    default: return "[ERROR]";
  }
}

std::string log_timestamp() {
  const auto t = platform::now_local();
  char buffer[60];
  std::snprintf(buffer, sizeof buffer, "%02d%02d%02d %02d%02d%02d'%03d", t.year - 1900 - 100,
                t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
  return buffer;
}

std::ostream& log_manager::begin_line(int level) {
  *this << log_level_tag(level) << '[' << platform::current_thread_id() << "]["
        << log_timestamp() << "] [";
  return *this;
}

void log_manager::commit(int level) {
  const std::string text = str();
  for (auto* sink : sinks_) sink->write(text);
  if (echo_to_stdout) std::cout << text << std::endl;
  if (level == LOG_ERROR) send_error_report(text);
  // The buffer is reused for every line: start the next one empty and with default formatting.
  str(std::string());
  clear();
  flags(std::ios_base::dec | std::ios_base::skipws);
  fill(' ');
}

log_line::log_line(int level, const char* tag_name)
    : level_(level), manager_(log_manager::instance()) {
  manager_.lock();
  enabled_ = manager_.is_enabled(level);
  if (enabled_) manager_.begin_line(level) << tag_name << "]>> ";
}

log_line::~log_line() {
  if (enabled_) manager_.commit(level_);
  manager_.unlock();
}
