#pragma once
// Small helpers of the POSIX-only files: an owned file descriptor, a write
// that goes on until every byte is out, and a path's folder.
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "util/unique.h"

namespace vemlo {

struct FdTraits {
  static int Empty() { return -1; }
  static void Close(int fd) { ::close(fd); }
};
using UniqueFd = Unique<int, FdTraits>;

// Writes all bytes, going on after short writes and EINTR.
inline bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The folder of a path: "." for a bare name, "/" for a file at the root.
inline std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace vemlo
