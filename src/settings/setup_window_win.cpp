#include "settings/setup_window_win.h"

#include <commctrl.h>

#include "collect/fetch.h"
#include "collect/priority.h"
#include "settings/settings_file.h"
#include "settings/spin_edit_win.h"
#include "shell/application_win.h"
#include "util/error.h"
#include "util/file_system.h"
#include "util/login_name.h"
#include "util/module_path.h"
#include "util/texts.h"

namespace vemlo {
namespace {

constexpr char kWindowClass[] = "TSetup";
constexpr int kClientWidth = 280;
constexpr int kClientHeight = 240;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr SpinRange kIntervalRange = {1, 99};
constexpr UINT kStartPeriodMs = 1000;
constexpr UINT_PTR kGroupSubclassId = 1;

enum class Kind { Button, Group, Label, Edit, Spin };

// The window's controls in creation order; positions relative to the parent.
struct ControlSpec {
  const char* name;
  Kind kind;
  const char* parent;  // nullptr: the window itself
  int x, y, width, height;
  const char* caption;
  const char* focusControl;  // labels: the field their accelerator focuses
};

const ControlSpec kControls[] = {
    {"DataSet", Kind::Button, nullptr, 192, 208, 72, 20, texts::kDataSetCaption, nullptr},
    {"GroupBox1", Kind::Group, nullptr, 8, 8, 265, 65, texts::kGroupBox1Caption, nullptr},
    {"Label1", Kind::Label, "GroupBox1", 8, 16, 0, 0, texts::kLabel1Caption, "AtermUserName"},
    {"Label2", Kind::Label, "GroupBox1", 136, 16, 0, 0, texts::kLabel2Caption, "AtermPassword"},
    {"AtermUserName", Kind::Edit, "GroupBox1", 8, 32, 121, 20, "admin", nullptr},
    {"AtermPassword", Kind::Edit, "GroupBox1", 136, 32, 121, 20, "", nullptr},
    {"GroupBox2", Kind::Group, nullptr, 8, 80, 265, 121, texts::kGroupBox2Caption, nullptr},
    {"Label3", Kind::Label, "GroupBox2", 8, 16, 0, 0, texts::kLabel3Caption, "LOGURI"},
    {"Label4", Kind::Label, "GroupBox2", 8, 56, 0, 0, texts::kLabel4Caption, "SaveFolder"},
    {"Label5", Kind::Label, "GroupBox2", 8, 100, 0, 0, texts::kLabel5Caption, "IntervalTime"},
    {"Label6", Kind::Label, "GroupBox2", 136, 100, 0, 0, texts::kLabel6Caption, nullptr},
    {"LOGURI", Kind::Edit, "GroupBox2", 8, 32, 249, 20, texts::kDefaultLogAddress, nullptr},
    {"SaveFolder", Kind::Edit, "GroupBox2", 8, 72, 249, 20, "", nullptr},
    {"IntervalTime", Kind::Spin, "GroupBox2", 80, 96, 49, 21, "10", nullptr},
};

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(::GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// The letter after "&" in a caption, upper-cased; 0 when there is none.
char MnemonicOf(const char* caption) {
  for (const char* p = caption; p[0] && p[1]; ++p)
    if (p[0] == '&' && p[1] != '&') return UpperAscii(p[1]);
  return 0;
}

// Group boxes are real parents of their fields: pass what the fields tell
// their parent on to the window, where the handlers are.
LRESULT CALLBACK GroupProc(HWND group, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ::SendMessageA(::GetAncestor(group, GA_ROOT), message, wParam, lParam);
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(group, GroupProc, kGroupSubclassId);
      break;
  }
  return ::DefSubclassProc(group, message, wParam, lParam);
}

SIZE CaptionSize(HWND window, HFONT font, const char* caption) {
  HDC dc = ::GetDC(window);
  HGDIOBJ old = ::SelectObject(dc, font);
  RECT r = {0, 0, 0, 0};
  ::DrawTextA(dc, caption, -1, &r, DT_CALCRECT | DT_SINGLELINE);
  ::SelectObject(dc, old);
  ::ReleaseDC(window, dc);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

TSetup::TSetup(const std::function<void(TSetup&)>& addComponents) {
  static const bool registered = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hIcon = ::LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  window_ = ::CreateWindowExA(kExStyle, kWindowClass, texts::kSetupCaption, kStyle, 0, 0, frame.right - frame.left,
                              frame.bottom - frame.top, Application::Instance().Window(), nullptr,
                              ::GetModuleHandleA(nullptr), this);
  if (!window_) Fail(texts::kCannotCreateWindow);
  BuildControls();
  // The timer starts with its first period; FormCreate gives it the real one
  // before any message is handled, so this period never ticks.
  SetTimerInterval(kStartPeriodMs);
  if (addComponents) addComponents(*this);
  if (!Application::Instance().Guard([this] { FormCreate(); })) {
    // FormCreate stopped early (the settings could not be loaded): run on the
    // fields' values rather than a cycle every second at normal priority.
    SetTimerInterval(IntervalMilliseconds(Text("IntervalTime")));
    SetIdlePriority();
  }
}

TSetup::~TSetup() {
  if (window_) ::DestroyWindow(window_);
}

void TSetup::BuildControls() {
  font_.Reset(::CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, texts::kSetupFont));
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  int nextId = 100;
  for (const ControlSpec& c : kControls) {
    const HWND parent = c.parent ? Control(c.parent) : window_;
    const int id = c.kind == Kind::Button ? IDOK : nextId++;
    const HMENU menuId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    HWND control = nullptr;
    switch (c.kind) {
      case Kind::Button:
        control = ::CreateWindowExA(0, "Button", c.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                    c.x, c.y, c.width, c.height, parent, menuId, instance, nullptr);
        break;
      case Kind::Group:
        control = ::CreateWindowExA(WS_EX_CONTROLPARENT, "Button", c.caption, WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                                    c.x, c.y, c.width, c.height, parent, menuId, instance, nullptr);
        if (control) ::SetWindowSubclass(control, GroupProc, kGroupSubclassId, 0);
        break;
      case Kind::Label: {
        const SIZE size = CaptionSize(window_, font_.Get(), c.caption);
        control = ::CreateWindowExA(0, "Static", c.caption, WS_CHILD | WS_VISIBLE, c.x, c.y, size.cx, size.cy, parent,
                                    menuId, instance, nullptr);
        break;
      }
      case Kind::Edit:
        control = ::CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", c.caption,
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, c.x, c.y, c.width, c.height,
                                    parent, menuId, instance, nullptr);
        break;
      case Kind::Spin:
        control = CreateSpinEdit(parent, id, {c.x, c.y, c.x + c.width, c.y + c.height}, kIntervalRange, 2, font_.Get());
        if (control) ::SetWindowTextA(control, c.caption);
        break;
    }
    if (!control) Fail(texts::kCannotCreateWindow);
    if (c.kind != Kind::Spin) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    named_.emplace_back(c.name, control);
  }
  for (const ControlSpec& c : kControls)
    if (c.focusControl) mnemonics_.emplace_back(MnemonicOf(c.caption), Control(c.focusControl));
}

HWND TSetup::Control(const std::string& name) const {
  for (const auto& [n, control] : named_)
    if (n == name) return control;
  return nullptr;
}

std::string TSetup::Text(const std::string& name) const { return WindowText(Control(name)); }

std::vector<std::pair<std::string, HWND>> TSetup::PersistedControls() const {
  std::vector<std::pair<std::string, HWND>> controls;
  auto nameOf = [this](HWND control) {
    for (const auto& [n, c] : named_)
      if (c == control) return n;
    return std::string();
  };
  std::function<void(HWND)> walk = [&](HWND parent) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      char className[16] = "";
      ::GetClassNameA(child, className, sizeof className);
      if (lstrcmpiA(className, "Edit") == 0) {
        controls.emplace_back(nameOf(child), child);  // its own children (arrow buttons) are not visited
      } else if (::GetWindow(child, GW_CHILD)) {
        walk(child);
      }
    }
  };
  walk(window_);
  return controls;
}

bool TSetup::HandleMnemonic(const MSG& msg) {
  if (msg.message != WM_SYSCHAR || !Visible() || (msg.hwnd != window_ && !::IsChild(window_, msg.hwnd))) return false;
  const char letter = UpperAscii(static_cast<char>(msg.wParam & 0xFF));
  for (const auto& [mnemonic, field] : mnemonics_) {
    if (mnemonic != letter) continue;
    ::SetFocus(field);
    ::SendMessageA(field, EM_SETSEL, 0, -1);
    return true;
  }
  return false;
}

void TSetup::SetTimerInterval(UINT milliseconds) {
  // The same period again leaves the running countdown alone.
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  ::SetTimer(window_, kTimerId, interval_, nullptr);
}

void TSetup::Show() {
  ::ShowWindow(window_, SW_SHOW);
  Application::Instance().ShowTaskbarButton(true);
  ::SetForegroundWindow(window_);
}

void TSetup::Hide() {
  ::ShowWindow(window_, SW_HIDE);
  Application::Instance().ShowTaskbarButton(false);
}

void TSetup::FormCreate() {
  ::SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const std::string exe = ExecutablePath();
  ::SetWindowTextA(Control("SaveFolder"), DefaultSaveFolder(exe).c_str());
  section_ = GetLoginUserName();
  LoadSettings();
  helpFile_ = HelpFilePath(exe);
  state_ = CollectState();
  SetTimerInterval(IntervalMilliseconds(Text("IntervalTime")));
  SetIdlePriority();
}

// The fields travel between the window and the file by walking the window's
// edit-type controls; each control's name is its key.
SettingsValues TSetup::CurrentValues() const {
  SettingsValues values;
  RECT r;
  ::GetWindowRect(window_, &r);
  values.top = r.top;
  values.left = r.left;
  for (const auto& [name, control] : PersistedControls())
    for (const FieldKey& key : kFieldKeys)
      if (name == key.key) values.*key.field = WindowText(control);
  return values;
}

void TSetup::Apply(const SettingsValues& values) {
  ::SetWindowPos(window_, nullptr, values.left, values.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const auto& [name, control] : PersistedControls())
    for (const FieldKey& key : kFieldKeys)
      if (name == key.key) ::SetWindowTextA(control, (values.*key.field).c_str());
}

void TSetup::LoadSettings() {
  const std::string exe = ExecutablePath();
  try {
    FileProfile profile(SettingsFilePath(exe));
    SettingsValues values = CurrentValues();
    vemlo::LoadSettings(profile, SettingsSection(section_, exe), values);
    Apply(values);
  } catch (const Error&) {
    Application::Instance().ShowNotice(texts::kCannotLoadIni);
    throw;
  }
}

void TSetup::SaveSettings() {
  const std::string exe = ExecutablePath();
  try {
    FileProfile profile(SettingsFilePath(exe));
    vemlo::SaveSettings(profile, SettingsSection(section_, exe), CurrentValues());
  } catch (const Error&) {
    Application::Instance().ShowNotice(texts::kCannotSaveIni);
    throw;
  }
}

void TSetup::DataSetClick() {
  Hide();
  SaveSettings();
  SetTimerInterval(IntervalMilliseconds(Text("IntervalTime")));
}

bool TSetup::FormCloseQuery() {
  const bool canClose = !Visible();
  Hide();
  if (canClose) SaveSettings();
  return canClose;
}

void TSetup::TimerTimer() {
  Collector collector(SystemFileSystem(), SystemLineKeyer());
  collector.RunCycle(
      state_, [this] { return FetchLog({Text("AtermUserName"), Text("AtermPassword"), Text("LOGURI")}); },
      [this] { return Text("SaveFolder"); });
}

void TSetup::OnClose() {
  bool canClose = false;
  Application::Instance().Guard([&] { canClose = FormCloseQuery(); });
  if (canClose) ::DestroyWindow(window_);
}

bool TSetup::OnQueryEndSession() {
  bool canClose = false;
  Application::Instance().Guard([&] { canClose = FormCloseQuery(); });
  return canClose;
}

LRESULT CALLBACK TSetup::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* setup = static_cast<TSetup*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(setup));
    setup->window_ = window;
  }
  auto* setup = reinterpret_cast<TSetup*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!setup) return ::DefWindowProcA(window, message, wParam, lParam);
  return setup->Dispatch(message, wParam, lParam);
}

LRESULT TSetup::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  Application& app = Application::Instance();
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) app.Guard([this] { DataSetClick(); });
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_TIMER:
      if (wParam == kTimerId) app.Guard([this] { TimerTimer(); });
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (wParam) ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::KillTimer(window_, kTimerId);
      components_.clear();  // the tray icon leaves the notification area here
      app.Terminate();
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace vemlo
