#include <windows.h>

#include <string>

#include "util/bios.h"
#include "util/dbcs.h"

namespace vemlo {

std::string AddBackslash(std::string text) {
  if (!text.empty() && !SystemDbcs().EndsWith(text, '\\')) text += '\\';
  return text;
}

std::string GetWinDir() {
  std::string dir(MAX_PATH, '\0');
  UINT length = ::GetWindowsDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
  // A longer directory reports the size it needs (terminator included)
  // instead of its length; ask once more with that much room.
  if (length >= dir.size()) {
    dir.assign(length, '\0');
    length = ::GetWindowsDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
    if (length >= dir.size()) length = 0;
  }
  dir.resize(length);
  return AddBackslash(dir);
}

}  // namespace vemlo
