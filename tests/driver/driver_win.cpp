// A stand-in for the user's eyes and hands on the Windows side: lists windows
// and controls, waits for them, reads and answers message boxes, and sends the
// messages Windows itself would send (close, log-off queries). Runs in the same
// Wine prefix as the program under test; prints raw ANSI (code page 932) text.
//
//   vemlo_driver list
//   vemlo_driver children TITLE
//   vemlo_driver wait TITLE visible|hidden|gone|exists SECONDS
//   vemlo_driver msgbox CAPTION SECONDS [press]     text of the box; press: click its first button
//   vemlo_driver close TITLE
//   vemlo_driver endsession TITLE [end]              WM_QUERYENDSESSION, then WM_ENDSESSION if "end"
//   vemlo_driver tray WM_MESSAGE_NUMBER              the shell's callback to the tray icon
//   vemlo_driver focus TITLE CONTROL_ID              gives a control the focus (foreground first)
//   vemlo_driver trayicons                           the icons in the task bar's notification area:
//                                                    "LEFT TOP WIDTH HEIGHT visible|hidden" in screen pixels
//   vemlo_driver menu SECONDS                        waits for an open popup menu: "LEFT TOP WIDTH HEIGHT"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string TextOf(HWND w) {
  char buffer[4096] = "";
  ::GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

std::string ClassOf(HWND w) {
  char buffer[256] = "";
  ::GetClassNameA(w, buffer, sizeof buffer);
  return buffer;
}

struct Search {
  const std::string* title;
  const char* className;
  HWND found;
};

BOOL CALLBACK Match(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  if (TextOf(w) == *s->title && (!s->className || ClassOf(w) == s->className)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindTop(const std::string& title, const char* className = nullptr) {
  Search search = {&title, className, nullptr};
  ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PrintWindow(HWND w, HWND relativeTo, int depth) {
  RECT r;
  ::GetWindowRect(w, &r);
  POINT origin = {r.left, r.top};
  if (relativeTo) ::ScreenToClient(relativeTo, &origin);
  RECT client;
  ::GetClientRect(w, &client);
  std::printf("%*s%p\t%s\t%d\t%s\t%ld,%ld,%ld,%ld\tclient=%ld,%ld\tstyle=%08lx\t%s\n", depth * 2, "",
              static_cast<void*>(w), ClassOf(w).c_str(), ::GetDlgCtrlID(w), ::IsWindowVisible(w) ? "visible" : "hidden",
              origin.x, origin.y, r.right - r.left, r.bottom - r.top, client.right, client.bottom,
              static_cast<unsigned long>(::GetWindowLongA(w, GWL_STYLE)), TextOf(w).c_str());
}

void PrintChildren(HWND parent, int depth) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    PrintWindow(c, parent, depth);
    PrintChildren(c, depth + 1);
  }
}

bool Condition(const std::string& title, const std::string& what) {
  HWND w = FindTop(title);
  if (what == "gone") return w == nullptr;
  if (!w) return false;
  if (what == "exists") return true;
  const bool visible = ::IsWindowVisible(w) != FALSE;
  return what == "visible" ? visible : !visible;
}

HWND WaitFor(const std::string& title, const char* className, double seconds) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
  for (;;) {
    if (HWND w = FindTop(title, className)) return w;
    if (static_cast<LONG>(::GetTickCount() - end) >= 0) return nullptr;
    ::Sleep(50);
  }
}

// The shell's task bar and the windows of its notification-area icons (Wine's
// explorer makes each icon a child window of the task bar).
std::vector<HWND> TrayIconWindows() {
  std::vector<HWND> icons;
  HWND bar = ::FindWindowA("Shell_TrayWnd", nullptr);
  if (!bar) return icons;
  for (HWND c = ::GetWindow(bar, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
    if (ClassOf(c) == "__wine_tray_icon") icons.push_back(c);
  return icons;
}

BOOL CALLBACK FindMenu(HWND w, LPARAM p) {
  if (ClassOf(w) == "#32768" && ::IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
  }
  return TRUE;
}

void PrintScreenRect(HWND w, bool withVisibility) {
  RECT r;
  ::GetWindowRect(w, &r);
  std::printf("%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (withVisibility) std::printf(" %s", ::IsWindowVisible(w) ? "visible" : "hidden");
  std::printf("\n");
}

BOOL CALLBACK PrintTop(HWND w, LPARAM) {
  PrintWindow(w, nullptr, 0);
  return TRUE;
}

int Usage() {
  std::fprintf(stderr, "usage: see the comment at the top of driver_win.cpp\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "list") {
    ::EnumWindows(PrintTop, 0);
    return 0;
  }
  if (command == "children" && argc >= 3) {
    HWND w = FindTop(argv[2]);
    if (!w) return 1;
    PrintWindow(w, nullptr, 0);
    PrintChildren(w, 1);
    return 0;
  }
  if (command == "wait" && argc >= 5) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(std::atof(argv[4]) * 1000);
    while (!Condition(argv[2], argv[3])) {
      if (static_cast<LONG>(::GetTickCount() - end) >= 0) return 1;
      ::Sleep(50);
    }
    return 0;
  }
  if (command == "msgbox" && argc >= 4) {
    HWND box = WaitFor(argv[2], "#32770", std::atof(argv[3]));
    if (!box) return 1;
    ::Sleep(100);  // let it finish building its controls
    // The message is the box's static text that is not its icon.
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
      if (ClassOf(c) == "Static" && !TextOf(c).empty()) std::printf("%s\n", TextOf(c).c_str());
    if (argc >= 5 && std::strcmp(argv[4], "press") == 0) {
      for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == "Button") {
          ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(c), BN_CLICKED), reinterpret_cast<LPARAM>(c));
          break;
        }
    }
    return 0;
  }
  if (command == "close" && argc >= 3) {
    HWND w = FindTop(argv[2]);
    if (!w) return 1;
    ::PostMessageA(w, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "endsession" && argc >= 3) {
    HWND w = FindTop(argv[2]);
    if (!w) return 1;
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer)) return 1;
    std::printf("%s\n", answer ? "yes" : "no");
    if (argc >= 4 && std::strcmp(argv[3], "end") == 0 && answer)
      ::SendMessageTimeoutA(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer);
    return 0;
  }
  if (command == "tray" && argc >= 3) {
    HWND w = FindTop("", "VemloTrayWindow");
    if (!w) return 1;
    ::PostMessageA(w, 0x800, 1, static_cast<LPARAM>(std::strtol(argv[2], nullptr, 0)));
    return 0;
  }
  if (command == "focus" && argc >= 4) {
    HWND w = FindTop(argv[2]);
    if (!w) return 1;
    ::SetForegroundWindow(w);
    return 0;
  }
  if (command == "trayicons") {
    for (HWND icon : TrayIconWindows()) PrintScreenRect(icon, true);
    return 0;
  }
  if (command == "menu" && argc >= 3) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(std::atof(argv[2]) * 1000);
    HWND menu = nullptr;
    while (::EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&menu)), !menu) {
      if (static_cast<LONG>(::GetTickCount() - end) >= 0) return 1;
      ::Sleep(50);
    }
    PrintScreenRect(menu, false);
    return 0;
  }
  return Usage();
}
