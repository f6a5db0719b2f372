#include "shell/tray_menu_win.h"

#include "res/resource.h"
#include "shell/accelerators.h"
#include "shell/application_win.h"
#include "shell/window_class_win.h"
#include "util/dbcs.h"

namespace vemlo {
namespace {
constexpr UINT kFirstId = 1;
constexpr char kWindowClass[] = "VemloMenuOwner";
}  // namespace

TrayMenu::TrayMenu(std::vector<Action> actions, const std::vector<std::string>& items, HIMAGELIST images)
    : actions_(std::move(actions)), images_(images), bar_(MenuBarStyle(), images) {
  for (const std::string& item : items) {
    int action = -1;
    for (size_t i = 0; i < actions_.size(); ++i)
      if (actions_[i].name == item) action = static_cast<int>(i);
    itemActions_.push_back(action);
    if (action < 0)
      looks_.push_back({kSeparatorCaption, -1});
    else
      looks_.push_back({actions_[static_cast<size_t>(action)].caption, actions_[static_cast<size_t>(action)].image});
  }
  RegisterWindowClass(kWindowClass, WindowProc);
  window_ = ::CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), this);
}

TrayMenu::~TrayMenu() {
  if (window_) {
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

LRESULT CALLBACK TrayMenu::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* menu = static_cast<TrayMenu*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu));
  }
  auto* menu = reinterpret_cast<TrayMenu*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (menu && message == WM_MEASUREITEM) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (measure->CtlType == ODT_MENU) {
      menu->bar_.Measure(*measure);
      return TRUE;
    }
  }
  if (menu && message == WM_DRAWITEM) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType == ODT_MENU) {
      menu->bar_.Draw(*draw);
      return TRUE;
    }
  }
  if (menu && message == WM_MENUCHAR) return menu->MenuChar(static_cast<char>(LOWORD(wParam)));
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// Owner-drawn items hold no text for the system to search, so it asks the
// owner which item a typed key belongs to.
LRESULT TrayMenu::MenuChar(char key) const {
  const char wanted = key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
  for (size_t i = 0; i < looks_.size(); ++i)
    if (itemActions_[i] >= 0 && AcceleratorOf(looks_[i].caption, SystemDbcs()) == wanted)
      return MAKELRESULT(static_cast<WORD>(i), MNC_EXECUTE);
  return MAKELRESULT(0, MNC_IGNORE);
}

void TrayMenu::Rebuild() {
  std::vector<std::string> captions;
  for (const MenuItemLook& look : looks_) captions.push_back(look.caption);
  AssignAccelerators(captions, SystemDbcs(), SystemCodePageIsDoubleByte());
  for (size_t i = 0; i < looks_.size(); ++i) looks_[i].caption = captions[i];
  // A new menu each time, so the system measures every item afresh.
  menu_.Reset(::CreatePopupMenu());
  for (size_t i = 0; i < looks_.size(); ++i) {
    const UINT id = kFirstId + static_cast<UINT>(i);
    const UINT flags = MF_OWNERDRAW | (itemActions_[i] < 0 ? MF_SEPARATOR : MF_STRING);
    ::AppendMenuA(menu_.Get(), flags, id, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(i)));
  }
  bar_.StartOpening(&looks_);
}

bool TrayMenu::Choose(UINT id) {
  if (id < kFirstId || id - kFirstId >= itemActions_.size()) return false;
  const int action = itemActions_[id - kFirstId];
  if (action < 0) return false;
  Application::Instance().Guard(actions_[static_cast<size_t>(action)].execute);
  return true;
}

void TrayMenu::Popup(POINT at, HWND nullTarget) {
  ::SetForegroundWindow(window_);
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  Rebuild();
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_NOANIMATION | TPM_RETURNCMD, at.x, at.y, 0,
                       window_, nullptr));
  if (chosen != 0) Choose(chosen);
  ::PostMessageA(nullTarget, WM_NULL, 0, 0);
}

HIMAGELIST LoadMenuImages() {
  HIMAGELIST list = ::ImageList_Create(res::kMenuImageSize, res::kMenuImageSize, ILC_COLOR24 | ILC_MASK, 9,
                                       4);  // room for nine, growing by four
  if (!list) return nullptr;
  HBITMAP strip = static_cast<HBITMAP>(
      ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MENU), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (strip) {
    ::ImageList_AddMasked(list, strip, res::kMenuMaskColour);
    ::DeleteObject(strip);
  }
  return list;
}

}  // namespace vemlo
