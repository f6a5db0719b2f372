#pragma once
// The action list, the image list and the tray menu: each menu item points to
// an action, which holds the caption, the image and the handler. The menu is
// drawn by the program (MenuBar) and gets its accelerators before each opening.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/setup_window_win.h"
#include "shell/menu_bar_win.h"
#include "util/win_handles.h"

namespace vemlo {

struct Action {
  std::string name;     // "AppExit", ...
  std::string caption;  // with "&" before the accelerator
  int image;            // index into the image list
  std::function<void()> execute;
};

class TrayMenu : public Component {
 public:
  // actions in the order of the action list; items by action name, "-" for
  // a separator, top to bottom.
  TrayMenu(std::vector<Action> actions, const std::vector<std::string>& items, HIMAGELIST images);
  ~TrayMenu() override;

  // Opens the menu with its top-left corner at `at`, after making the menu's
  // owner the foreground window and handling the pending messages (or the
  // menu would not close when the user clicks elsewhere); runs the chosen
  // action, then posts WM_NULL to nullTarget.
  void Popup(POINT at, HWND nullTarget);

  HWND Owner() const { return window_; }
  HMENU Handle() const { return menu_.Get(); }
  HIMAGELIST Images() const { return images_.Get(); }
  const std::vector<MenuItemLook>& Items() const { return looks_; }
  const MenuBar& Bar() const { return bar_; }
  // Runs an item's action as a choice in the menu does; false for no such item.
  bool Choose(UINT id);

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  void Rebuild();
  // WM_MENUCHAR: the item whose accelerator is the typed key.
  LRESULT MenuChar(char key) const;

  std::vector<Action> actions_;
  std::vector<int> itemActions_;     // per item: action index, or -1 for a separator
  std::vector<MenuItemLook> looks_;  // captions keep the accelerators they were given
  UniqueMenu menu_;
  UniqueImageList images_;
  MenuBar bar_;
  HWND window_ = nullptr;
};

// Makes the image list of the menu from the program's image strip.
HIMAGELIST LoadMenuImages();

}  // namespace vemlo
