#pragma once
// What a fuzz target does when a property fails: say which, and abort, so
// libFuzzer keeps the input that broke it.
#include <cstdio>
#include <cstdlib>

namespace vemlo::fuzz {

inline void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property failed: %s\n", property);
  std::abort();
}

}  // namespace vemlo::fuzz
