#include <unistd.h>

#include "util/module_path.h"

namespace vemlo {

std::string ExecutablePath() {
  // readlink neither ends the text with a NUL nor says whether it was cut.
  for (size_t size = 256; size <= 65536; size *= 2) {
    std::string path(size, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", &path[0], size);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < size) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
  }
  return std::string();
}

}  // namespace vemlo
