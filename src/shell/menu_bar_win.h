#pragma once
// The look of the tray menu: every item drawn by the program right of a side
// bar, a gradient from blue at the top to black at the bottom with "Vemlo"
// written upward in white, painted once per opening.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace vemlo {

struct MenuBarStyle {
  int barWidth = 31;           // the bar paints barWidth - 2 columns
  COLORREF gradientStart = RGB(0, 0, 255);
  COLORREF gradientEnd = RGB(0, 0, 0);
  const char* text = "Vemlo";
  const char* fontFace = "Tahoma";
  int fontHeight = -19;
  int textOffsetY = -6;
};

// The colour of bar row y (from the top of the items) in a menu `height` high.
COLORREF BarColour(const MenuBarStyle& style, int y, int height);

struct MenuItemLook {
  std::string caption;  // "-" for a separator
  int image;            // -1 for none
};

class MenuBar {
 public:
  MenuBar(MenuBarStyle style, HIMAGELIST images) : style_(style), images_(images) {}

  // Before each opening: forgets the menu height and the painted bar.
  void StartOpening(const std::vector<MenuItemLook>* items);
  void Measure(MEASUREITEMSTRUCT& measure);
  void Draw(const DRAWITEMSTRUCT& draw);

  int MenuHeight() const { return menuHeight_; }
  bool BarDone() const { return barDone_; }

 private:
  void PaintBar(HDC dc, const RECT& item);
  void DrawContent(HDC dc, const RECT& item, const MenuItemLook& look, UINT state);

  MenuBarStyle style_;
  HIMAGELIST images_;
  const std::vector<MenuItemLook>* items_ = nullptr;
  std::vector<int> heights_;  // each item's measured height
  int menuHeight_ = 0;
  bool barDone_ = false;
  bool originKnown_ = false;
  POINT origin_ = {0, 0};  // the first item's top-left in the menu window
};

}  // namespace vemlo
