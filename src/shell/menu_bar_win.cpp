#include "shell/menu_bar_win.h"

#include <cmath>

#include "shell/accelerators.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

constexpr int kImageSize = 16;
constexpr int kSeparatorHeight = 9;

int Channel(int start, int end, int y, int height) { return start + (end - start) * y / height; }

UniqueFont MenuFont() {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return UniqueFont();
  return UniqueFont(::CreateFontIndirectA(&metrics.lfMenuFont));
}

// Round to the nearest integer, a half to the even neighbour.
int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

}  // namespace

COLORREF BarColour(const MenuBarStyle& style, int y, int height) {
  if (height <= 0) height = 1;  // no item measured: no division by zero
  const COLORREF a = style.gradientStart, b = style.gradientEnd;
  return RGB(Channel(GetRValue(a), GetRValue(b), y, height), Channel(GetGValue(a), GetGValue(b), y, height),
             Channel(GetBValue(a), GetBValue(b), y, height));
}

void MenuBar::StartOpening(const std::vector<MenuItemLook>* items) {
  items_ = items;
  heights_.assign(items->size(), 0);
  menuHeight_ = 0;
  barDone_ = false;
  originKnown_ = false;
}

void MenuBar::Measure(MEASUREITEMSTRUCT& measure) {
  const size_t index = measure.itemData;
  if (!items_ || index >= items_->size()) return;
  const MenuItemLook& look = (*items_)[index];
  if (look.caption == kSeparatorCaption) {
    measure.itemWidth = 0;
    measure.itemHeight = kSeparatorHeight;
  } else {
    UniqueFont font = MenuFont();
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font.Get());
    RECT text = {0, 0, 0, 0};
    ::DrawTextA(dc, look.caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    measure.itemWidth = static_cast<UINT>(4 + kImageSize + 8 + (text.right - text.left) + 16);
    measure.itemHeight = static_cast<UINT>(std::max<LONG>(text.bottom - text.top + 6, kImageSize + 4));
  }
  measure.itemWidth += static_cast<UINT>(style_.barWidth);
  heights_[index] = static_cast<int>(measure.itemHeight);
  menuHeight_ += static_cast<int>(measure.itemHeight);
}

void MenuBar::Draw(const DRAWITEMSTRUCT& draw) {
  const size_t index = draw.itemData;
  if (!items_ || index >= items_->size()) return;
  if (!originKnown_) {
    // Windows puts the first item at (0, 0) of the menu window, Wine at
    // (3, 3): measure the bar from the items' own origin on both.
    int above = 0;
    for (size_t i = 0; i < index; ++i) above += heights_[i];
    origin_ = {draw.rcItem.left, draw.rcItem.top - above};
    originKnown_ = true;
  }
  // Underlines always show, even for a menu opened with the mouse.
  const UINT state = draw.itemState & ~static_cast<UINT>(ODS_NOACCEL);
  DrawContent(draw.hDC, draw.rcItem, (*items_)[index], state);
  if (barDone_) return;  // painted once per opening: a moving highlight leaves it alone
  PaintBar(draw.hDC, draw.rcItem);
  if (draw.rcItem.bottom - origin_.y == menuHeight_) barDone_ = true;
}

void MenuBar::DrawContent(HDC dc, const RECT& item, const MenuItemLook& look, UINT state) {
  RECT area = item;
  area.left += style_.barWidth;
  const bool selected = (state & ODS_SELECTED) != 0 && look.caption != kSeparatorCaption;
  ::FillRect(dc, &area, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  if (look.caption == kSeparatorCaption) {
    RECT line = {area.left + 2, (area.top + area.bottom) / 2 - 1, area.right - 2, (area.top + area.bottom) / 2 + 1};
    ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  if (images_ && look.image >= 0)
    ::ImageList_Draw(images_, look.image, dc, area.left + 4, (area.top + area.bottom - kImageSize) / 2,
                     ILD_TRANSPARENT);
  UniqueFont font = MenuFont();
  HGDIOBJ old = ::SelectObject(dc, font.Get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  RECT text = area;
  text.left += 4 + kImageSize + 8;
  ::DrawTextA(dc, look.caption.c_str(), -1, &text,
              DT_SINGLELINE | DT_VCENTER | ((state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0));
  ::SelectObject(dc, old);
}

void MenuBar::PaintBar(HDC dc, const RECT& item) {
  const int barRight = origin_.x + style_.barWidth - 2;
  if (style_.gradientStart == style_.gradientEnd) {
    RECT slice = {origin_.x, item.top, barRight, item.bottom};
    UniqueGdiObject brush(::CreateSolidBrush(style_.gradientStart));
    ::FillRect(dc, &slice, static_cast<HBRUSH>(brush.Get()));
  } else {
    for (int y = item.top; y <= item.bottom; ++y) {
      RECT row = {origin_.x, y, barRight, y + 1};
      ::SetBkColor(dc, BarColour(style_, y - origin_.y, menuHeight_));
      ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);  // fills the row in its colour
    }
  }
  UniqueFont turned(::CreateFontA(style_.fontHeight, 0, 900, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                  style_.fontFace));
  HGDIOBJ old = ::SelectObject(dc, turned.Get());
  SIZE x = {0, 0};
  ::GetTextExtentPoint32A(dc, "X", 1, &x);
  const int n = RoundHalfEven((style_.barWidth - x.cy) / 2.0 - 0.5);
  RECT clip = item;
  clip.bottom += 1;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::ExtTextOutA(dc, origin_.x + n - 1, origin_.y + menuHeight_ + style_.textOffsetY, ETO_CLIPPED, &clip, style_.text,
                static_cast<UINT>(lstrlenA(style_.text)), nullptr);
  ::SelectObject(dc, old);
}

}  // namespace vemlo
