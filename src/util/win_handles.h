#pragma once
// Owners of Win32 handles. Include only from Windows-only files.
#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include <string>

#include "util/unique.h"

namespace vemlo {

struct FileHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueFile = Unique<HANDLE, FileHandleTraits>;

struct HandleTraits {
  static HANDLE Empty() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = Unique<HANDLE, HandleTraits>;

struct FindHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
using UniqueFind = Unique<HANDLE, FindHandleTraits>;

struct InternetTraits {
  static HINTERNET Empty() { return nullptr; }
  static void Close(HINTERNET h) { ::InternetCloseHandle(h); }
};
using UniqueInternet = Unique<HINTERNET, InternetTraits>;

struct ModuleTraits {
  static HMODULE Empty() { return nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};
using UniqueModule = Unique<HMODULE, ModuleTraits>;

struct GdiObjectTraits {
  static HGDIOBJ Empty() { return nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
using UniqueGdiObject = Unique<HGDIOBJ, GdiObjectTraits>;

struct FontTraits {
  static HFONT Empty() { return nullptr; }
  static void Close(HFONT h) { ::DeleteObject(h); }
};
using UniqueFont = Unique<HFONT, FontTraits>;

struct MenuTraits {
  static HMENU Empty() { return nullptr; }
  static void Close(HMENU h) { ::DestroyMenu(h); }
};
using UniqueMenu = Unique<HMENU, MenuTraits>;

struct IconTraits {
  static HICON Empty() { return nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};
using UniqueIcon = Unique<HICON, IconTraits>;

struct ImageListTraits {
  static HIMAGELIST Empty() { return nullptr; }
  static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};
using UniqueImageList = Unique<HIMAGELIST, ImageListTraits>;

// The system's text for a Win32 or WinInet error code, without trailing
// blanks, line breaks and periods; empty when the system has none.
std::string SystemErrorText(DWORD code);

}  // namespace vemlo
