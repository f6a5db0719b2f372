#pragma once
// The application object: its title, the hidden application window that
// carries the task-bar button while the settings window is shown, the
// message loop, and the boundary where an error leaving an event handler
// becomes an error report.
#include <windows.h>

#include <functional>
#include <string>

namespace vemlo {

class Application {
 public:
  static Application& Instance();

  // Creates the hidden application window with the title as its caption.
  void Initialize(const std::string& title);
  const std::string& Title() const { return title_; }
  HWND Window() const { return window_; }

  // The main window: its close ends the loop; while it is shown the dialog
  // manager handles its keys (Tab, Enter, Alt+letter).
  void SetMainWindow(HWND window) { main_ = window; }
  HWND MainWindow() const { return main_; }
  // Shows or hides the task-bar button with the main window.
  void ShowTaskbarButton(bool shown);

  // Runs an event handler; an Error leaving it is shown as an error report
  // and the program goes on. Returns false when the handler failed.
  bool Guard(const std::function<void()>& handler);

  // Caption the title, stop icon, OK. At most one report stands open at a
  // time: errors that come while one is open are not stacked on it, so a
  // router that stays down overnight leaves one box, not hundreds.
  void ShowErrorReport(const std::string& message);
  // Caption the title, no icon, OK.
  void ShowNotice(const std::string& text);
  bool ReportOpen() const { return reportOpen_; }

  // A look at each message before it is dispatched; true when it was handled.
  void SetPreTranslate(std::function<bool(const MSG&)> hook) { preTranslate_ = std::move(hook); }

  // Runs the message loop until the main window is gone; the exit code.
  int Run();
  // Ends the loop at its next turn.
  void Terminate();

 private:
  Application() = default;
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

  std::string title_;
  HWND window_ = nullptr;
  HWND main_ = nullptr;
  bool reportOpen_ = false;
  std::function<bool(const MSG&)> preTranslate_;
};

}  // namespace vemlo
