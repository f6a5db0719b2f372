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
//   vemlo_driver menu SECONDS                        waits for an open popup menu: "LEFT TOP WIDTH HEIGHT"
//   vemlo_driver kill TITLE                          TerminateProcess on the window's process (its exit code 1)
//   vemlo_driver idle SECONDS                        starts Wine's desktop and waits for its task bar, prints
//                                                    "idle", then only waits: keeps a Wine session alive
//
// A TITLE or CAPTION written "hex:8FEE95F1" is those bytes: Wine passes only
// ASCII arguments intact when the C library lacks the Japanese locale.
#include <fcntl.h>
#include <io.h>
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

BOOL CALLBACK FindMenu(HWND w, LPARAM p) {
  if (ClassOf(w) == "#32768" && ::IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
  }
  return TRUE;
}

// "hex:..." arguments as their bytes, others as they are.
std::string Arg(const char* text) {
  if (std::strncmp(text, "hex:", 4) != 0) return text;
  std::string bytes;
  for (const char* p = text + 4; p[0] && p[1]; p += 2) {
    const char pair[3] = {p[0], p[1], 0};
    bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
  }
  return bytes;
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
  // The exact bytes: a message's own CR LF must not grow a second CR.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "list") {
    ::EnumWindows(PrintTop, 0);
    return 0;
  }
  if (command == "children" && argc >= 3) {
    HWND w = FindTop(Arg(argv[2]));
    if (!w) return 1;
    PrintWindow(w, nullptr, 0);
    PrintChildren(w, 1);
    return 0;
  }
  if (command == "wait" && argc >= 5) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(std::atof(argv[4]) * 1000);
    while (!Condition(Arg(argv[2]), argv[3])) {
      if (static_cast<LONG>(::GetTickCount() - end) >= 0) return 1;
      ::Sleep(50);
    }
    return 0;
  }
  if (command == "msgbox" && argc >= 4) {
    HWND box = WaitFor(Arg(argv[2]), "#32770", std::atof(argv[3]));
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
    HWND w = FindTop(Arg(argv[2]));
    if (!w) return 1;
    ::PostMessageA(w, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "endsession" && argc >= 3) {
    HWND w = FindTop(Arg(argv[2]));
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
    HWND w = FindTop(Arg(argv[2]));
    if (!w) return 1;
    ::SetForegroundWindow(w);
    return 0;
  }
  if (command == "menu" && argc >= 3) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(std::atof(argv[2]) * 1000);
    HWND menu = nullptr;
    for (;;) {
      ::EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&menu));
      if (menu) break;
      if (static_cast<LONG>(::GetTickCount() - end) >= 0) return 1;
      ::Sleep(50);
    }
    RECT r;
    ::GetWindowRect(menu, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (command == "idle" && argc >= 3) {
    // The desktop process is started by the first program that needs it, and
    // holds that program's standard handles for as long as it lives.
    ::GetDesktopWindow();
    for (int i = 0; i < 600 && !::FindWindowA("Shell_TrayWnd", nullptr); ++i) ::Sleep(50);
    std::printf("idle\n");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::atof(argv[2]) * 1000));
    return 0;
  }
  if (command == "kill" && argc >= 3) {
    HWND w = FindTop(Arg(argv[2]));
    DWORD pid = 0;
    if (!w || !::GetWindowThreadProcessId(w, &pid)) return 1;
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return 1;
    const bool ended = ::TerminateProcess(process, 1) && ::WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended ? 0 : 1;
  }
  return Usage();
}
