// The settings window as a user meets it, under Wine on a real (virtual) X
// display: typed keys and mouse clicks go through the system's input queue
// (SendInput), the settings file is the real one beside this test program.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "settings/setup_window_win.h"
#include "shell/application_win.h"
#include "support/test_support.h"
#include "util/login_name.h"
#include "util/module_path.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

std::string IniPath() { return SettingsFilePath(ExecutablePath()); }

std::string Text(HWND w) {
  char buffer[2048] = "";
  ::GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

// Handles messages for a while the way the program's loop does.
void Pump(TSetup& setup, DWORD milliseconds) {
  const DWORD end = ::GetTickCount() + milliseconds;
  do {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (setup.HandleMnemonic(msg)) continue;
      if (setup.Visible() && ::IsDialogMessageA(setup.Handle(), &msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::Sleep(10);
  } while (static_cast<LONG>(::GetTickCount() - end) < 0);
}

void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &in, sizeof in);
}

void Press(TSetup& setup, WORD vk, WORD modifier = 0) {
  if (modifier) SendKey(modifier, false);
  SendKey(vk, false);
  SendKey(vk, true);
  if (modifier) SendKey(modifier, true);
  Pump(setup, 80);
}

void Type(TSetup& setup, const std::string& text) {
  for (char c : text) {
    const SHORT scan = ::VkKeyScanA(c);
    Press(setup, LOBYTE(scan), (HIBYTE(scan) & 1) ? VK_SHIFT : 0);
  }
}

// Mouse events carry their own screen position, so a press never lands where
// the pointer was before a move the system has not handled yet.
void SendMouse(POINT screen, DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((screen.x * 65535 + ::GetSystemMetrics(SM_CXSCREEN) / 2) /
                               (::GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = static_cast<LONG>((screen.y * 65535 + ::GetSystemMetrics(SM_CYSCREEN) / 2) /
                               (::GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &in, sizeof in);
}

// The release comes from another thread, as from the user's hand: a press on
// a caption button runs a modal loop of the system's that waits for it.
void Click(TSetup& setup, POINT screen, DWORD holdMs = 0) {
  SendMouse(screen, 0);
  Pump(setup, 100);
  SendMouse(screen, MOUSEEVENTF_LEFTDOWN);
  std::thread release([screen, holdMs] {
    ::Sleep(holdMs + 30);
    SendMouse(screen, MOUSEEVENTF_LEFTUP);
  });
  Pump(setup, holdMs + 200);
  release.join();
  Pump(setup, 100);
}

POINT CentreOf(HWND w) {
  RECT r;
  ::GetWindowRect(w, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Message boxes are modal: another thread reads and answers them like a user.
class BoxWatcher {
 public:
  BoxWatcher() : thread_(::GetCurrentThreadId()), worker_([this] { Run(); }) {}
  ~BoxWatcher() {
    stop_ = true;
    worker_.join();
  }
  std::vector<std::string> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  static BOOL CALLBACK Visit(HWND w, LPARAM p) {
    char cls[32] = "";
    ::GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && ::IsWindowVisible(w)) *reinterpret_cast<HWND*>(p) = w;
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      HWND box = nullptr;
      ::EnumThreadWindows(thread_, Visit, reinterpret_cast<LPARAM>(&box));
      if (box) {
        ::Sleep(50);
        std::string text = Text(box) + "|" + Text(::GetDlgItem(box, 0xFFFF));
        {
          std::lock_guard<std::mutex> lock(mutex_);
          seen_.push_back(text);
        }
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (::IsWindow(box) && !stop_) ::Sleep(20);
      }
      ::Sleep(20);
    }
  }
  DWORD thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::thread worker_;
};

class SetupWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application::Instance().Window()) Application::Instance().Initialize("Vemlo");
  }
  void SetUp() override {
    ::SetFileAttributesA(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(IniPath().c_str());
  }
  void TearDown() override {
    ::SetFileAttributesA(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(IniPath().c_str());
  }
  // Shows the window with the focus in the named field.
  void ShowWith(TSetup& setup, const char* field) {
    setup.Show();
    Pump(setup, 300);
    Click(setup, CentreOf(setup.Control(field)));
  }
  std::string Section() { return SettingsSection(GetLoginUserName(), ExecutablePath()); }
};

TEST_F(SetupWindowTest, LayoutOfTheWindowAndItsControls) {
  TSetup setup;
  RECT client;
  ::GetClientRect(setup.Handle(), &client);
  EXPECT_EQ(client.right, 280);
  EXPECT_EQ(client.bottom, 240);
  EXPECT_EQ(Text(setup.Handle()), "Vemlo Setup");
  const LONG style = ::GetWindowLongA(setup.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

  const struct {
    const char* name;
    const char* parent;
    int x, y, width, height;  // width 0: a label sized by its caption
    const char* text;
  } cases[] = {
      {"DataSet", nullptr, 192, 208, 72, 20, "設定保存"},
      {"GroupBox1", nullptr, 8, 8, 265, 65, "ID/Password"},
      {"Label1", "GroupBox1", 8, 16, 0, 0, "UserName(&U)"},
      {"Label2", "GroupBox1", 136, 16, 0, 0, "Password(&P)"},
      {"AtermUserName", "GroupBox1", 8, 32, 121, 20, "admin"},
      {"AtermPassword", "GroupBox1", 136, 32, 121, 20, ""},
      {"GroupBox2", nullptr, 8, 80, 265, 121, "URI/Folder"},
      {"Label3", "GroupBox2", 8, 16, 0, 0, "LOGアドレス(&L)"},
      {"Label4", "GroupBox2", 8, 56, 0, 0, "LOG保存フォルダ(&F)"},
      {"Label5", "GroupBox2", 8, 100, 0, 0, "処理間隔(&T)"},
      {"Label6", "GroupBox2", 136, 100, 0, 0, "分"},
      {"LOGURI", "GroupBox2", 8, 32, 249, 20, "http://aterm.me/system.log"},
      {"SaveFolder", "GroupBox2", 8, 72, 249, 20, nullptr},
      {"IntervalTime", "GroupBox2", 80, 96, 49, 21, "10"},
  };
  for (const auto& c : cases) {
    HWND control = setup.Control(c.name);
    ASSERT_TRUE(control) << c.name;
    HWND parent = c.parent ? setup.Control(c.parent) : setup.Handle();
    EXPECT_EQ(::GetParent(control), parent) << c.name;
    RECT r;
    ::GetWindowRect(control, &r);
    POINT origin = {r.left, r.top};
    ::ScreenToClient(parent, &origin);
    EXPECT_EQ(origin.x, c.x) << c.name;
    EXPECT_EQ(origin.y, c.y) << c.name;
    if (c.width) {
      EXPECT_EQ(r.right - r.left, c.width) << c.name;
      EXPECT_EQ(r.bottom - r.top, c.height) << c.name;
    } else {
      EXPECT_GT(r.right - r.left, 0) << c.name;
    }
    if (c.text) {
      EXPECT_EQ(Text(control), c.text) << c.name;
    }
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    ASSERT_TRUE(font && ::GetObjectA(font, sizeof lf, &lf)) << c.name;
    EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック") << c.name;
    EXPECT_EQ(lf.lfHeight, -12) << c.name;
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET) << c.name;
  }
  EXPECT_TRUE(::GetWindowLongA(setup.Control("DataSet"), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_TRUE(::GetWindowLongA(setup.Control("IntervalTime"), GWL_STYLE) & ES_RIGHT);
  EXPECT_FALSE(::GetWindowLongA(setup.Control("AtermPassword"), GWL_STYLE) & ES_PASSWORD);
}

TEST_F(SetupWindowTest, TabOrderAndPersistedFields) {
  TSetup setup;
  std::vector<std::string> persisted;
  for (const auto& [name, control] : setup.PersistedControls()) persisted.push_back(name);
  EXPECT_EQ(persisted,
            (std::vector<std::string>{"AtermUserName", "AtermPassword", "LOGURI", "SaveFolder", "IntervalTime"}));

  const char* order[] = {"DataSet",    "AtermUserName", "AtermPassword", "LOGURI",
                         "SaveFolder", "IntervalTime",  "DataSet"};
  HWND at = setup.Control(order[0]);
  for (size_t i = 1; i < sizeof order / sizeof *order; ++i) {
    at = ::GetNextDlgTabItem(setup.Handle(), at, FALSE);
    EXPECT_EQ(at, setup.Control(order[i])) << "after " << order[i - 1];
  }
}

TEST_F(SetupWindowTest, FirstStartHasTheDefaults) {
  TSetup setup;
  RECT r;
  ::GetWindowRect(setup.Handle(), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_FALSE(setup.Visible());
  EXPECT_EQ(setup.Text("AtermUserName"), "admin");
  EXPECT_EQ(setup.Text("AtermPassword"), "");
  EXPECT_EQ(setup.Text("LOGURI"), "http://aterm.me/system.log");
  EXPECT_EQ(setup.Text("SaveFolder"), DefaultSaveFolder(ExecutablePath()));
  EXPECT_EQ(setup.Text("IntervalTime"), "10");
  EXPECT_EQ(setup.TimerInterval(), 600000u);
  EXPECT_EQ(setup.HelpFile(), HelpFilePath(ExecutablePath()));
  EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  EXPECT_FALSE(test::Exists(IniPath())) << "loading wrote the file";
}

TEST_F(SetupWindowTest, StoredSettingsAreLoaded) {
  test::WriteBytes(IniPath(), "[someone else]\r\nAtermUserName=other\r\n[" + Section() +
                                  "]\r\nSetupTop=120\r\nSetupLeft=-7\r\nAtermUserName=root\r\nAtermPassword=pw\r\n"
                                  "SaveFolder=\r\nIntervalTime=150\r\nSetupWidth=999\r\n");
  TSetup setup;
  RECT r;
  ::GetWindowRect(setup.Handle(), &r);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.left, -7);
  EXPECT_EQ(setup.Text("AtermUserName"), "root");
  EXPECT_EQ(setup.Text("AtermPassword"), "pw");
  EXPECT_EQ(setup.Text("LOGURI"), "http://aterm.me/system.log");  // absent: the default stays
  EXPECT_EQ(setup.Text("SaveFolder"), "");                        // present and empty
  EXPECT_EQ(setup.Text("IntervalTime"), "150");
  EXPECT_EQ(setup.TimerInterval(), 99u * 60000u);
}

TEST_F(SetupWindowTest, EnterInATextFieldSavesAndHides) {
  TSetup setup;
  ShowWith(setup, "AtermPassword");
  Type(setup, "s3cret");
  Press(setup, VK_RETURN);
  EXPECT_FALSE(setup.Visible());
  const std::string ini = test::ReadBytes(IniPath());
  const std::string section = "[" + Section() + "]\r\n";
  EXPECT_EQ(ini.substr(0, section.size()), section);
  RECT r;
  ::GetWindowRect(setup.Handle(), &r);
  EXPECT_EQ(ini.substr(section.size()), "SetupTop=" + std::to_string(r.top) +
                                            "\r\nSetupLeft=" + std::to_string(r.left) +
                                            "\r\nAtermUserName=admin\r\nAtermPassword=s3cret\r\n"
                                            "LOGURI=http://aterm.me/system.log\r\nSaveFolder=" +
                                            DefaultSaveFolder(ExecutablePath()) + "\r\nIntervalTime=10\r\n");
}

TEST_F(SetupWindowTest, EnterInTheIntervalFieldIsRefused) {
  TSetup setup;
  ShowWith(setup, "IntervalTime");
  Press(setup, VK_RETURN);
  EXPECT_TRUE(setup.Visible());
  EXPECT_FALSE(test::Exists(IniPath()));
}

TEST_F(SetupWindowTest, TheIntervalFieldTakesTwoDigitsAndClampsOnLeaving) {
  TSetup setup;
  ShowWith(setup, "IntervalTime");
  Press(setup, VK_END);
  Press(setup, VK_BACK);
  Press(setup, VK_BACK);
  Type(setup, "x0");  // "x" is refused
  EXPECT_EQ(setup.Text("IntervalTime"), "0");
  Click(setup, CentreOf(setup.Control("DataSet")));
  EXPECT_EQ(setup.Text("IntervalTime"), "1");
  EXPECT_FALSE(setup.Visible());
  EXPECT_NE(test::ReadBytes(IniPath()).find("IntervalTime=1\r\n"), std::string::npos);
  EXPECT_EQ(setup.TimerInterval(), 60000u);

  ShowWith(setup, "IntervalTime");
  Press(setup, VK_END);
  Press(setup, VK_BACK);
  Type(setup, "123");  // at most two typed characters
  EXPECT_EQ(setup.Text("IntervalTime"), "12");
  Press(setup, VK_UP);
  EXPECT_EQ(setup.Text("IntervalTime"), "13");
  Press(setup, VK_DOWN);
  Press(setup, VK_DOWN);
  EXPECT_EQ(setup.Text("IntervalTime"), "11");
}

TEST_F(SetupWindowTest, HoldingAnArrowButtonRepeats) {
  TSetup setup;
  ShowWith(setup, "IntervalTime");  // the window active and the field focused first
  RECT r;
  ::GetWindowRect(setup.Control("IntervalTime"), &r);
  // The up arrow: upper half of the buttons at the right end.
  const POINT up = {r.right - 8, r.top + 6};
  Click(setup, up);
  EXPECT_EQ(setup.Text("IntervalTime"), "11");
  Click(setup, up, 750);  // one step, then after 400 ms one every 100 ms
  const long value = std::stol(setup.Text("IntervalTime"));
  EXPECT_GE(value, 11 + 1 + 2);
  EXPECT_LE(value, 11 + 1 + 5);
}

TEST_F(SetupWindowTest, AltLetterMovesTheFocus) {
  TSetup setup;
  ShowWith(setup, "AtermUserName");
  const struct {
    WORD letter;
    const char* field;
  } cases[] = {
      {'P', "AtermPassword"}, {'L', "LOGURI"}, {'F', "SaveFolder"}, {'T', "IntervalTime"}, {'U', "AtermUserName"}};
  for (const auto& c : cases) {
    Press(setup, c.letter, VK_MENU);
    EXPECT_EQ(::GetFocus(), setup.Control(c.field)) << c.field;
  }
}

TEST_F(SetupWindowTest, TheCloseBoxOnlyHidesAndEditsStayInEffect) {
  TSetup setup;
  ShowWith(setup, "AtermUserName");
  Type(setup, "x");
  RECT r;
  ::GetWindowRect(setup.Handle(), &r);
  const int caption = ::GetSystemMetrics(SM_CYCAPTION);
  Click(setup, {r.right - ::GetSystemMetrics(SM_CXFIXEDFRAME) - caption / 2, r.top + caption / 2 + 2});
  EXPECT_FALSE(setup.Visible());
  EXPECT_FALSE(test::Exists(IniPath()));
  EXPECT_TRUE(::IsWindow(setup.Handle()));
  EXPECT_NE(setup.Text("AtermUserName"), "admin");
  // Asked again while hidden (the exit command), it saves and may close.
  EXPECT_TRUE(setup.FormCloseQuery());
  EXPECT_NE(test::ReadBytes(IniPath()).find("AtermUserName=" + setup.Text("AtermUserName") + "\r\n"),
            std::string::npos);
}

// A settings file that cannot be written. The read-only attribute would do on
// Windows, but Wine maps it to the Linux mode, which root (as in CI) ignores;
// another program holding the file without sharing stops the write on both.
TEST_F(SetupWindowTest, AnUnwritableSettingsFileIsReportedAndNothingChanges) {
  const std::string before = "[" + Section() + "]\r\nIntervalTime=5\r\n";
  test::WriteBytes(IniPath(), before);
  TSetup setup;
  UniqueFile holder(::CreateFileA(IniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  EXPECT_EQ(setup.TimerInterval(), 5u * 60000u);
  ShowWith(setup, "IntervalTime");
  Press(setup, VK_UP);
  {
    BoxWatcher watcher;
    Click(setup, CentreOf(setup.Control("DataSet")));
    for (int i = 0; i < 50 && watcher.Seen().size() < 2; ++i) Pump(setup, 100);
    Pump(setup, 300);  // no third box
    const auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "Vemlo|Can not save to IniFile");
    EXPECT_EQ(seen[1], "Vemlo|" + IniPath() + " に書き込めません.");
  }
  EXPECT_FALSE(setup.Visible());
  EXPECT_EQ(setup.TimerInterval(), 5u * 60000u);
  holder.Reset();
  EXPECT_EQ(test::ReadBytes(IniPath()), before);
}

}  // namespace
}  // namespace vemlo
