#pragma once
// Where the running program's own file lies, whatever the current directory.
#include <string>

namespace vemlo {

// The full path of the running executable (Windows: GetModuleFileNameA of the
// process's own module; Linux: /proc/self/exe). Empty when the system cannot
// tell.
std::string ExecutablePath();

}  // namespace vemlo
