// A program to look at from outside: its resources are what the tests read.
// Run, it exits with 6 when the common controls it loads are those of the
// side-by-side assembly version 6, which its manifest asks for, else 5
// (0 when there are none). It looks at the folder the DLL came from: Wine's
// copy in that assembly reports 5.81 from DllGetVersion, as the plain one does.
#include <windows.h>

#include <cstring>

int main() {
  HMODULE comctl = ::LoadLibraryA("comctl32.dll");
  if (comctl == nullptr) return 0;
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(comctl, path, MAX_PATH);
  ::FreeLibrary(comctl);
  ::CharLowerBuffA(path, length);
  return std::strstr(path, "\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.") ? 6 : 5;
}
