#include "settings/spin_edit_win.h"

#include <commctrl.h>

#include <string>

namespace vemlo {
namespace {

constexpr char kButtonClass[] = "VemloSpinButton";
constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;
constexpr int kButtonWidth = 15;

struct SpinState {
  SpinRange range;
  HWND button = nullptr;
  long pressed = 0;  // +1 / -1 while an arrow button is held
};

SpinState* StateOf(HWND edit) { return reinterpret_cast<SpinState*>(::GetWindowLongPtrA(edit, GWLP_USERDATA)); }

std::string TextOf(HWND window) {
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(::GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

bool IsAccepted(char c) {
  char decimal[4] = ".";
  ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
  if (c == '\r') return false;  // Enter does not press the save button from here
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == decimal[0] || static_cast<unsigned char>(c) < 0x20;
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  SpinState* state = StateOf(edit);
  switch (message) {
    case WM_GETDLGCODE: {
      // Ask the dialog manager for Enter, so it beeps here instead of
      // pressing the default button.
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      LRESULT code = ::DefSubclassProc(edit, message, wParam, lParam);
      if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_CHAR:
      if (!IsAccepted(static_cast<char>(wParam))) {
        ::MessageBeep(0);
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        SpinEditStep(edit, wParam == VK_UP ? 1 : -1);
        return 0;
      }
      break;
    case WM_KILLFOCUS:
      if (state) {
        if (auto clamped = SpinClampOnLeave(TextOf(edit), state->range)) ::SetWindowTextA(edit, clamped->c_str());
      }
      break;
    case WM_SIZE:
      if (state && state->button) {
        RECT client;
        ::GetClientRect(edit, &client);
        ::MoveWindow(state->button, client.right - kButtonWidth, 0, kButtonWidth, client.bottom, TRUE);
      }
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(edit, EditProc, kSubclassId);
      delete state;
      ::SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
      break;
  }
  return ::DefSubclassProc(edit, message, wParam, lParam);
}

void PaintButton(HWND button) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(button, &ps);
  RECT r;
  ::GetClientRect(button, &r);
  const HWND edit = ::GetParent(button);
  const SpinState* state = StateOf(edit);
  RECT up = r, down = r;
  up.bottom = r.bottom / 2;
  down.top = up.bottom;
  ::DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | (state && state->pressed > 0 ? DFCS_PUSHED : 0));
  ::DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | (state && state->pressed < 0 ? DFCS_PUSHED : 0));
  ::EndPaint(button, &ps);
}

LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND edit = ::GetParent(button);
  SpinState* state = StateOf(edit);
  switch (message) {
    case WM_PAINT:
      PaintButton(button);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!state) break;
      RECT r;
      ::GetClientRect(button, &r);
      state->pressed = static_cast<short>(HIWORD(lParam)) < r.bottom / 2 ? 1 : -1;
      ::SetFocus(edit);
      ::SetCapture(button);
      SpinEditStep(edit, state->pressed);
      ::SetTimer(button, kRepeatTimer, kFirstRepeatMs, nullptr);
      ::InvalidateRect(button, nullptr, FALSE);
      return 0;
    }
    case WM_TIMER:
      if (state && state->pressed != 0 && wParam == kRepeatTimer) {
        SpinEditStep(edit, state->pressed);
        ::SetTimer(button, kRepeatTimer, kRepeatMs, nullptr);
      }
      return 0;
    case WM_LBUTTONUP:
      ::ReleaseCapture();  // WM_CAPTURECHANGED ends the repeat
      return 0;
    case WM_CAPTURECHANGED:
      ::KillTimer(button, kRepeatTimer);
      if (state) state->pressed = 0;
      ::InvalidateRect(button, nullptr, FALSE);
      return 0;
  }
  return ::DefWindowProcA(button, message, wParam, lParam);
}

void RegisterButtonClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ButtonProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kButtonClass;
  registered = ::RegisterClassA(&wc) != 0;
}

}  // namespace

HWND CreateSpinEdit(HWND parent, int id, RECT b, SpinRange range, int maxLength, HFONT font) {
  RegisterButtonClass();
  HWND edit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL, b.left, b.top,
                                b.right - b.left, b.bottom - b.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  if (!edit) return nullptr;
  auto* state = new SpinState{range};
  ::SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  ::SetWindowSubclass(edit, EditProc, kSubclassId, 0);
  ::SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
  // The font first: setting it resets the margins.
  ::SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  RECT client;
  ::GetClientRect(edit, &client);
  state->button = ::CreateWindowExA(0, kButtonClass, "", WS_CHILD | WS_VISIBLE, client.right - kButtonWidth, 0,
                                    kButtonWidth, client.bottom, edit, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  // Keep typed text clear of the buttons.
  ::SendMessageA(edit, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, kButtonWidth + 1));
  return edit;
}

void SpinEditStep(HWND edit, long delta) {
  const SpinState* state = StateOf(edit);
  if (!state) return;
  ::SetWindowTextA(edit, SpinStep(TextOf(edit), delta, state->range).c_str());
}

}  // namespace vemlo
