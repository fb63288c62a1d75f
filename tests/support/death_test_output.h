#pragma once
// What a death test sees of the dying process: its standard error.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "log/log_manager.h"

namespace testing_support {

// Log lines on standard error, where a death test looks for them.
class StderrSink : public v_log_ostream {
 public:
  StderrSink() {
    std::lock_guard lock(log_manager::instance());
    log_manager::instance().add_sink(this);
  }
  ~StderrSink() override {
    std::lock_guard lock(log_manager::instance());
    log_manager::instance().remove_sink(this);
  }
  StderrSink(const StderrSink&) = delete;
  StderrSink& operator=(const StderrSink&) = delete;
  void write(const std::string& line) override {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
};

// The pieces in this order anywhere in the child's standard error, lines apart or not. (A
// regular expression cannot say that on every system: without POSIX regex, "." stops at a
// line's end.)
struct InOrder {
  using is_gtest_matcher = void;
  std::vector<std::string> pieces;

  bool MatchAndExplain(const std::string& text, std::ostream* why) const {
    std::size_t at = 0;
    for (const auto& piece : pieces) {
      at = text.find(piece, at);
      if (at == std::string::npos) {
        if (why) *why << "no \"" << piece << "\" after the pieces before it";
        return false;
      }
      at += piece.size();
    }
    return true;
  }
  void DescribeTo(std::ostream* out) const {
    *out << "holds in order:";
    for (const auto& piece : pieces) *out << " \"" << piece << "\"";
  }
  void DescribeNegationTo(std::ostream* out) const {
    *out << "does not hold in order:";
    for (const auto& piece : pieces) *out << " \"" << piece << "\"";
  }
};

inline ::testing::Matcher<const std::string&> inOrder(std::initializer_list<std::string> pieces) {
  return InOrder{pieces};
}

}  // namespace testing_support
