// What the targets share beyond their readers.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// A check of the target failed: say which, then abort so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz property violated: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
