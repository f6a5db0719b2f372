#include <windows.h>

#include <string>

#include "util/win_handles.h"

namespace vemlo {

std::string SystemErrorText(DWORD code) {
  char* buffer = nullptr;
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  // WinInet's codes (12000-12175) live in wininet.dll's message table.
  HMODULE wininet = nullptr;
  if (code >= 12000 && code <= 12175) {
    wininet = ::GetModuleHandleA("wininet.dll");
    if (wininet) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  }
  const DWORD n = ::FormatMessageA(flags, wininet, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (n != 0 && buffer) text.assign(buffer, n);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.'))
    text.pop_back();
  return text;
}

}  // namespace vemlo
