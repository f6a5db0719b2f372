#pragma once
#include <windows.h>

namespace vemlo {

// Registers a window class of this module once; later calls do nothing.
// The class's windows find their object through GWLP_USERDATA.
inline void RegisterWindowClass(const char* name, WNDPROC proc, UINT style = 0) {
  WNDCLASSA existing;
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  if (::GetClassInfoA(instance, name, &existing)) return;
  WNDCLASSA wc = {};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = name;
  ::RegisterClassA(&wc);
}

}  // namespace vemlo
