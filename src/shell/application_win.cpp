#include "shell/application_win.h"

#include "util/dbcs.h"
#include "util/error.h"
#include "util/report_text.h"
#include "util/texts.h"

namespace vemlo {

namespace {
constexpr char kWindowClass[] = "VemloApplication";
}

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::Initialize(const std::string& title) {
  title_ = title;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hIcon = ::LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
  wc.lpszClassName = kWindowClass;
  ::RegisterClassA(&wc);
  // A zero-size window: visible only as the task-bar button.
  window_ = ::CreateWindowExA(0, kWindowClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

void Application::ShowTaskbarButton(bool shown) {
  if (window_) ::ShowWindow(window_, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
}

LRESULT CALLBACK Application::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Application& app = Instance();
  switch (message) {
    case WM_ACTIVATE:
      // The button stands for the settings window: activating it brings that forward.
      if (LOWORD(wParam) != WA_INACTIVE && app.main_ && ::IsWindowVisible(app.main_)) ::SetActiveWindow(app.main_);
      return 0;
    case WM_CLOSE:
      if (app.main_) ::PostMessageA(app.main_, WM_CLOSE, 0, 0);
      return 0;
    case WM_SYSCOMMAND:
      // Restore from the task-bar button brings the settings window back.
      if ((wParam & 0xFFF0) == SC_RESTORE && app.main_) {
        ::ShowWindow(app.main_, SW_SHOW);
        return 0;
      }
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

bool Application::Guard(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const Error& e) {
    ShowErrorReport(e.message());
  } catch (const std::bad_alloc&) {
    ShowErrorReport(texts::kOutOfMemory);
  }
  return false;
}

void Application::ShowErrorReport(const std::string& message) {
  if (reportOpen_) return;
  reportOpen_ = true;
  const std::string text = ReportText(message, SystemDbcs());
  ::MessageBoxA(nullptr, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
  reportOpen_ = false;
}

void Application::ShowNotice(const std::string& text) {
  ::MessageBoxA(nullptr, text.c_str(), title_.c_str(), MB_OK | MB_SETFOREGROUND);
}

int Application::Run() {
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (preTranslate_ && preTranslate_(msg)) continue;
    if (main_ && ::IsWindowVisible(main_) && ::IsDialogMessageA(main_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}

void Application::Terminate() { ::PostQuitMessage(0); }

}  // namespace vemlo
