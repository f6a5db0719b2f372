#include "shell/single_instance_win.h"

#include <windows.h>

namespace vemlo {

std::string ExecutableFileName() {
  char path[261] = "";
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string full(path, n < sizeof path ? n : sizeof path - 1);
  const size_t slash = full.find_last_of("\\/:");
  return slash == std::string::npos ? full : full.substr(slash + 1);
}

bool AnotherCopyRuns() {
  const std::string name = ExecutableFileName();
  if (HANDLE existing = ::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str())) {
    ::CloseHandle(existing);
    return true;
  }
  // Deliberately never closed: its existence marks this copy until it ends.
  ::CreateMutexA(nullptr, FALSE, name.c_str());
  return false;
}

}  // namespace vemlo
