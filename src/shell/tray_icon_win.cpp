#include "shell/tray_icon_win.h"

#include <shellapi.h>

#include "shell/window_class_win.h"

namespace vemlo {
namespace {
constexpr char kWindowClass[] = "VemloTrayWindow";
constexpr UINT kIconId = 1;
}  // namespace

TrayIcon::TrayIcon(HICON icon, const std::string& tip, Handlers handlers)
    : icon_(icon), tip_(tip), handlers_(std::move(handlers)) {
  RegisterWindowClass(kWindowClass, WindowProc);
  // A hidden top-level window, not a message-only one: "TaskbarCreated" is
  // broadcast to top-level windows only.
  window_ = ::CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), this);
  taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
  Add();
}

TrayIcon::~TrayIcon() {
  if (added_) {
    NOTIFYICONDATAA data = Data();
    ::Shell_NotifyIconA(NIM_DELETE, &data);
  }
  if (window_) {
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

NOTIFYICONDATAA TrayIcon::Data() const {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = icon_;
  lstrcpynA(data.szTip, tip_.c_str(), sizeof data.szTip);
  return data;
}

void TrayIcon::Add() {
  NOTIFYICONDATAA data = Data();
  // While there is no task bar this fails; "TaskbarCreated" brings it back.
  added_ = ::Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
  if (added_) {
    data.uVersion = 0;  // plain button messages for mouse actions
    ::Shell_NotifyIconA(NIM_SETVERSION, &data);
  }
}

LRESULT CALLBACK TrayIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* tray = static_cast<TrayIcon*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tray));
    tray->window_ = window;  // before CreateWindowEx returns: Dispatch needs it now
  }
  auto* tray = reinterpret_cast<TrayIcon*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!tray) return ::DefWindowProcA(window, message, wParam, lParam);
  return tray->Dispatch(message, wParam, lParam);
}

LRESULT TrayIcon::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    Add();
    return 0;
  }
  if (message != kTrayCallback) return ::DefWindowProcA(window_, message, wParam, lParam);
  POINT at = {0, 0};
  ::GetCursorPos(&at);
  const UINT mouse = static_cast<UINT>(lParam);
  switch (mouse) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (handlers_.mouseDown) handlers_.mouseDown(mouse, at);
      // The menu opens as the right button goes down, not on its release.
      if (mouse == WM_RBUTTONDOWN && handlers_.popupMenu) handlers_.popupMenu(at);
      break;
    case WM_LBUTTONDBLCLK:
      if (handlers_.doubleClick) handlers_.doubleClick();
      break;
  }
  return 0;
}

}  // namespace vemlo
