#pragma once
// The process-wide logger. Every line is composed under one lock in the logger's own buffer,
// handed to every sink, optionally echoed to standard output and, for ERROR lines, reported to
// the operator's error-report server.
#include <cstdint>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

enum log_level { LOG_DEBUG = 0, LOG_INFO = 1, LOG_WARN = 2, LOG_ERROR = 3 };

// An output for finished lines.
class v_log_ostream {
 public:
  virtual ~v_log_ostream() = default;
  virtual void write(const std::string& line) = 0;
};

class log_manager : public std::ostringstream {
 public:
  static log_manager& instance();

  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool is_enabled(int level) const { return level >= threshold_; }
  // Writes the line's level tag, thread id and timestamp and returns the buffer for the rest.
  std::ostream& begin_line(int level);
  void commit(int level);
  void set_threshold(int level) { threshold_ = level >= LOG_ERROR ? LOG_ERROR : level; }
  void add_sink(v_log_ostream* sink) { sinks_.insert(sink); }
  void remove_sink(v_log_ostream* sink) { sinks_.erase(sink); }

  bool echo_to_stdout = false;

 private:
  log_manager() = default;
  friend class log_manager_storage;

  std::set<v_log_ostream*> sinks_;
  int threshold_ = LOG_ERROR;
  std::recursive_mutex mutex_;
};

const char* log_level_tag(int level);
// The line's timestamp, e.g. 131205 223045'123 for 5 December 2013, 22:30:45.123.
std::string log_timestamp();

// One log line under the logger's lock: nothing is formatted when the level is disabled.
class log_line {
 public:
  log_line(int level, const char* tag_name);
  ~log_line();
  log_line(const log_line&) = delete;
  log_line& operator=(const log_line&) = delete;
  explicit operator bool() const { return enabled_; }
  std::ostream& stream() { return manager_; }

 private:
  int level_;
  log_manager& manager_;
  bool enabled_;
};

// LOG_LINE(LOG_INFO, "wWinMain") << "message " << 42;
#define LOG_LINE_JOIN2(a, b) a##b
#define LOG_LINE_JOIN(a, b) LOG_LINE_JOIN2(a, b)
#define LOG_LINE(level, tag_name)                                                     \
  if (log_line LOG_LINE_JOIN(log_line_, __LINE__){(level), (tag_name)};              \
      !LOG_LINE_JOIN(log_line_, __LINE__)) {                                          \
  } else                                                                              \
    LOG_LINE_JOIN(log_line_, __LINE__).stream()
