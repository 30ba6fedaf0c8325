// Puts the program's clock back when the scope ends, also when an assertion ends a test half-way.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/clock.h"

// The clock has no reader for a set start, so the guard brings back the real clock: the state
// every test program begins in (nothing reads QUENDLER_START_TIME before the tests run). The
// variable itself, which startClockFromEnvironment reads, is saved and put back as it was.
class ClockGuard {
 public:
  ClockGuard() {
    const char* value = std::getenv(kVariable);
    hadValue_ = value != nullptr;
    if (value) value_ = value;
  }
  ~ClockGuard() {
    clearClockStart();
    setVariable(hadValue_ ? value_.c_str() : nullptr);
  }
  ClockGuard(const ClockGuard&) = delete;
  ClockGuard& operator=(const ClockGuard&) = delete;

 private:
  static constexpr const char* kVariable = "QUENDLER_START_TIME";

  static void setVariable(const char* value) {
#ifdef _WIN32
    _putenv_s(kVariable, value ? value : "");  // an empty value removes it
#else
    if (value) setenv(kVariable, value, 1);
    else unsetenv(kVariable);
#endif
  }

  bool hadValue_ = false;
  std::string value_;
};
