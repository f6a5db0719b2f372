#pragma once
// The notification-area icon: added when the settings window's components are
// in place, added again whenever the task bar restarts, removed when the
// settings window is destroyed. Mouse actions on it reach the handlers.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "settings/setup_window_win.h"

namespace vemlo {

// The shell reports mouse actions on the icon with this message.
inline constexpr UINT kTrayCallback = 0x800;

class TrayIcon : public Component {
 public:
  struct Handlers {
    std::function<void()> doubleClick;                     // TrayIconDblClick
    std::function<void(UINT button, POINT at)> mouseDown;  // TrayIconMouseDown: WM_xBUTTONDOWN
    std::function<void(POINT at)> popupMenu;               // the right button, on its press
  };

  TrayIcon(HICON icon, const std::string& tip, Handlers handlers);
  ~TrayIcon() override;
  HWND Window() const { return window_; }
  bool Added() const { return added_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void Add();
  NOTIFYICONDATAA Data() const;

  HWND window_ = nullptr;
  HICON icon_;
  std::string tip_;
  Handlers handlers_;
  UINT taskbarCreated_ = 0;
  bool added_ = false;
};

}  // namespace vemlo
