#pragma once
// TSetup, the settings window: the application's main window, hidden except
// while the user has it open, owner of the program's components (the interval
// timer, the tray icon and its menu) and of the collection state.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collect/cycle.h"
#include "settings/settings_file.h"
#include "util/win_handles.h"

namespace vemlo {

// Something the window owns besides its controls (the tray icon, the menu);
// destroyed with the window.
class Component {
 public:
  virtual ~Component() = default;
};

class TSetup {
 public:
  // Builds the hidden window and its controls, then lets addComponents put
  // the window's other components on it, then runs FormCreate. Errors of
  // FormCreate are reported and the window is created all the same.
  explicit TSetup(const std::function<void(TSetup&)>& addComponents = {});
  ~TSetup();
  TSetup(const TSetup&) = delete;
  TSetup& operator=(const TSetup&) = delete;

  HWND Handle() const { return window_; }
  void Own(std::unique_ptr<Component> component) { components_.push_back(std::move(component)); }
  // The first owned component of type T, or nullptr.
  template <typename T>
  T* Find() const {
    for (const auto& c : components_)
      if (auto* t = dynamic_cast<T*>(c.get())) return t;
    return nullptr;
  }

  // Shows the window and brings it to the foreground (the options command).
  void Show();
  void Hide();
  bool Visible() const { return ::IsWindowVisible(window_) != FALSE; }

  // Event handlers; each may throw Error, which the caller reports.
  void FormCreate();
  void DataSetClick();
  bool FormCloseQuery();  // whether the window may close
  void TimerTimer();      // one collection cycle

  // The control holding a field, by its component name ("AtermUserName"...).
  HWND Control(const std::string& name) const;
  std::string Text(const std::string& name) const;
  // The edit-type controls in the order the settings file persists them:
  // the window's children in creation order, group boxes walked depth first.
  std::vector<std::pair<std::string, HWND>> PersistedControls() const;

  UINT TimerInterval() const { return interval_; }
  const CollectState& State() const { return state_; }
  const std::string& HelpFile() const { return helpFile_; }
  const std::string& Section() const { return section_; }

  // Alt+letter of a label moves the focus to its field; true when handled.
  bool HandleMnemonic(const MSG& msg);

  static constexpr UINT_PTR kTimerId = 1;

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildControls();
  void SetTimerInterval(UINT milliseconds);
  void LoadSettings();
  void SaveSettings();
  SettingsValues CurrentValues() const;
  void Apply(const SettingsValues& values);
  void OnClose();
  bool OnQueryEndSession();

  HWND window_ = nullptr;
  UniqueFont font_;
  std::vector<std::pair<std::string, HWND>> named_;
  std::vector<std::pair<char, HWND>> mnemonics_;
  std::vector<std::unique_ptr<Component>> components_;
  UINT interval_ = 0;
  CollectState state_;
  std::string section_;
  std::string helpFile_;
};

}  // namespace vemlo
