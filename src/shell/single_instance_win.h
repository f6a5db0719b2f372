#pragma once
#include <string>

namespace vemlo {

// Whether another copy of this executable file name runs in this terminal
// session. When none does, marks this copy as the running one with a named
// mutex that stays open until the process ends.
bool AnotherCopyRuns();

// The executable's file name as Windows reports it (folder left off).
std::string ExecutableFileName();

}  // namespace vemlo
