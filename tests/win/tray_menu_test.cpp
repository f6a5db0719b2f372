// The tray menu as the user sees it: opened from the tray icon on Wine's
// virtual desktop, its pixels read back from the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "settings/setup_window_win.h"
#include "shell/application_win.h"
#include "shell/program_win.h"
#include "shell/tray_icon_win.h"
#include "shell/tray_menu_win.h"
#include "util/module_path.h"

namespace vemlo {
namespace {

// The screen's pixels in one rectangle.
class Capture {
 public:
  explicit Capture(const RECT& r) : rect_(r), width_(r.right - r.left), height_(r.bottom - r.top) {
    pixels_.resize(static_cast<size_t>(width_) * height_);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width_, height_, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::memcpy(pixels_.data(), bits, pixels_.size() * 4);
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
  }
  // The colour at screen point (x, y), as RGB().
  COLORREF At(int x, int y) const {
    const uint32_t p = pixels_[static_cast<size_t>(y - rect_.top) * width_ + (x - rect_.left)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool operator==(const Capture& other) const { return pixels_ == other.pixels_; }

 private:
  RECT rect_;
  int width_, height_;
  std::vector<uint32_t> pixels_;
};

std::string Rgb(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}

HWND FindMenuWindow() {
  HWND found = nullptr;
  for (HWND w = ::FindWindowA("#32768", nullptr); w; w = ::FindWindowExA(nullptr, w, "#32768", nullptr))
    if (::IsWindowVisible(w)) found = w;
  return found;
}

void Key(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, in, sizeof in[0]);
}

class TrayMenuTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application::Instance().Window()) Application::Instance().Initialize("Vemlo");
  }
  void SetUp() override {
    ::DeleteFileA(SettingsFilePath(ExecutablePath()).c_str());
    // The window of an earlier test ended "the program" with WM_QUIT.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  TrayMenu* Menu(TSetup& setup) { return setup.Find<TrayMenu>(); }
  TrayIcon* Tray(TSetup& setup) { return setup.Find<TrayIcon>(); }

  // Presses the right button on the icon as the shell reports it; while the
  // menu is open (the press does not return until it closes) `look` runs on
  // another thread, then the menu is closed with Escape.
  void OpenMenu(TSetup& setup, const std::function<void(HWND menu)>& look) {
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      HWND menu = nullptr;
      for (int i = 0; i < 200 && !menu; ++i) {
        ::Sleep(25);
        menu = FindMenuWindow();
      }
      if (menu) {
        ::Sleep(300);  // drawn
        look(menu);
      } else {
        ADD_FAILURE() << "the menu did not open";
      }
      Key(VK_ESCAPE);
      for (int i = 0; i < 100 && FindMenuWindow(); ++i) ::Sleep(20);
      done = true;
    });
    ::SetCursorPos(600, 300);
    ::SendMessageA(Tray(setup)->Window(), kTrayCallback, 1, WM_RBUTTONDOWN);
    while (!done) {
      MSG msg;
      while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
      ::Sleep(10);
    }
    watcher.join();
  }
};

TEST_F(TrayMenuTest, TheSideBarIsPaintedAsSpecifiedAndOnlyOnce) {
  TSetup setup(AddComponents);
  TrayMenu* menu = Menu(setup);
  ASSERT_TRUE(menu && Tray(setup));
  std::vector<Capture> bars;
  int heights[2] = {0, 0};
  for (int opening = 0; opening < 2; ++opening) {
    OpenMenu(setup, [&](HWND window) {
      RECT first, last;
      ASSERT_TRUE(::GetMenuItemRect(nullptr, menu->Handle(), 0, &first));
      ASSERT_TRUE(::GetMenuItemRect(nullptr, menu->Handle(), ::GetMenuItemCount(menu->Handle()) - 1, &last));
      const int x0 = first.left, top = first.top, height = last.bottom - first.top;
      heights[opening] = height;
      EXPECT_EQ(height, menu->Bar().MenuHeight());
      RECT barRect = {x0, top, x0 + 31, last.bottom};
      const Capture before(barRect);
      // Where the white text begins; above it the rows are pure gradient,
      // within it the letters (and their smoothed edges) sit on the gradient.
      int textTop = last.bottom;
      for (int y = top; y < last.bottom && textTop == last.bottom; ++y)
        for (int x = x0; x < x0 + 29; ++x)
          if (before.At(x, y) == RGB(255, 255, 255)) textTop = y;
      const COLORREF menuColour = ::GetSysColor(COLOR_MENU);
      for (int y = top; y < last.bottom; ++y) {
        const COLORREF expected = BarColour(MenuBarStyle(), y - top, height);
        int gradient = 0;
        for (int x = x0; x < x0 + 29; ++x) {
          const COLORREF c = before.At(x, y);
          gradient += c == expected;
          // Gradient, white text, or the text's smoothed edge between them.
          const bool between = GetRValue(c) >= GetRValue(expected) && GetGValue(c) >= GetGValue(expected) &&
                               GetBValue(c) >= GetBValue(expected);
          EXPECT_TRUE(between) << "pixel " << x - x0 << "," << y - top << " is " << Rgb(c);
        }
        if (y < textTop - 2)
          EXPECT_EQ(gradient, 29) << "row " << y - top << " is not all " << Rgb(expected);
        else
          EXPECT_GT(gradient, 0) << "row " << y - top << " has none of " << Rgb(expected);
        // The two columns after the bar are the menu's, not the bar's.
        EXPECT_EQ(before.At(x0 + 29, y), menuColour) << "row " << y - top;
        EXPECT_EQ(before.At(x0 + 30, y), menuColour) << "row " << y - top;
      }
      EXPECT_EQ(before.At(x0, top), RGB(0, 0, 255));
      EXPECT_EQ(before.At(x0, last.bottom - 1), BarColour(MenuBarStyle(), height - 1, height));
      // "Vemlo" in white, its last letter about six pixels above the bottom.
      int whiteRows = 0;
      for (int y = last.bottom - 80; y < last.bottom - 4; ++y)
        for (int x = x0; x < x0 + 29; ++x)
          if (before.At(x, y) == RGB(255, 255, 255)) {
            ++whiteRows;
            break;
          }
      EXPECT_GT(whiteRows, 30);
      for (int y = last.bottom - 5; y < last.bottom; ++y)
        for (int x = x0; x < x0 + 29; ++x) EXPECT_NE(before.At(x, y), RGB(255, 255, 255)) << x - x0 << "," << y - top;

      // Moving the highlight repaints items, not the bar.
      const RECT itemRect = {x0, first.top, x0 + 40, first.bottom};
      const Capture plainItem(itemRect);
      Key(VK_DOWN);
      ::Sleep(300);
      const Capture after(barRect);
      EXPECT_TRUE(before == after) << "the bar changed with the highlight";
      // The first item is highlighted from x = 31 on; the gap before it stays.
      const Capture item(itemRect);
      EXPECT_NE(item.At(x0 + 31, first.top + 2), plainItem.At(x0 + 31, first.top + 2)) << "no highlight after the bar";
      EXPECT_EQ(item.At(x0 + 30, first.top + 2), plainItem.At(x0 + 30, first.top + 2)) << "highlight in the gap";
      bars.push_back(after);
      (void)window;
    });
  }
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(heights[0], heights[1]);
  EXPECT_TRUE(bars[0] == bars[1]) << "a second opening drew another bar";
}

TEST_F(TrayMenuTest, ItemsGetTheirAcceleratorsAndCaptions) {
  TSetup setup(AddComponents);
  TrayMenu* menu = Menu(setup);
  OpenMenu(setup, [](HWND) {});
  std::vector<std::string> captions;
  for (const auto& look : menu->Items()) captions.push_back(look.caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"LOGのフォルダを開く(&L)", "-", "オプション(&O)", "-",
                                                "ヘルプ表示(&H)", "&Brantor", "バージョン情報(&A)", "-",
                                                "Vemlo 終了(&X)"}));
}

}  // namespace
}  // namespace vemlo
