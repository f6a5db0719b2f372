#include <windows.h>

#include "util/module_path.h"

namespace vemlo {

std::string ExecutablePath() {
  // A result that fills the buffer may have been cut: try a larger one.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::string path(size, '\0');
    const DWORD n = ::GetModuleFileNameA(nullptr, &path[0], size);
    if (n == 0) return std::string();
    if (n < size) {
      path.resize(n);
      return path;
    }
  }
  return std::string();
}

}  // namespace vemlo
