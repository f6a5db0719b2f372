#include "shell/program_win.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "res/resource.h"
#include "shell/application_win.h"
#include "shell/commands.h"
#include "shell/tray_icon_win.h"
#include "shell/tray_menu_win.h"
#include "util/bios.h"
#include "util/module_path.h"
#include "util/texts.h"
#include "util/version_info.h"

namespace vemlo {
namespace {

std::vector<Action> MakeActions(TSetup& setup) {
  return {
      {"AppExit", texts::kActionAppExit, res::kImageExit,
       [&setup] {
         setup.Hide();
         ::SendMessageA(setup.Handle(), WM_CLOSE, 0, 0);
       }},
      {"About", texts::kActionAbout, res::kImageAbout,
       [] {
         const std::string text = AboutText(GetVersionInfoText(ExecutablePath(), 2));
         ::MessageBoxA(nullptr, text.c_str(), texts::kAboutCaption, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
       }},
      {"ViewHelp", texts::kActionViewHelp, res::kImageHelp,
       [&setup] { ::ShellExecuteA(setup.Handle(), texts::kOpenVerb, setup.HelpFile().c_str(), "", "", SW_SHOW); }},
      {"GoWeb", texts::kActionGoWeb, res::kImageWeb,
       [&setup] { ::ShellExecuteA(setup.Handle(), texts::kOpenVerb, texts::kMakerWebPage, "", "", SW_SHOW); }},
      {"Setup", texts::kActionSetup, res::kImageSetup, [&setup] { setup.Show(); }},
      {"OpenLogFolder", texts::kActionOpenLogFolder, res::kImageOpenFolder,
       [&setup] {
         const std::string command = OpenLogFolderCommandLine(GetWinDir(), setup.Text("SaveFolder"));
         ::WinExec(command.c_str(), SW_SHOW);
       }},
  };
}

const std::vector<std::string> kMenuItems = {"OpenLogFolder", "-", "Setup", "-", "ViewHelp",
                                             "GoWeb",         "About", "-", "AppExit"};

}  // namespace

void AddComponents(TSetup& setup) {
  Application& app = Application::Instance();
  auto menu = std::make_unique<TrayMenu>(MakeActions(setup), kMenuItems, LoadMenuImages());
  TrayMenu* menuPtr = menu.get();
  setup.Own(std::move(menu));
  HICON icon = static_cast<HICON>(
      ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, 16, 16, LR_SHARED));
  TrayIcon::Handlers handlers;
  handlers.doubleClick = [&setup, &app] { app.Guard([&setup] { setup.TimerTimer(); }); };
  handlers.mouseDown = [&setup, &app](UINT button, POINT) {
    if (button == WM_MBUTTONDOWN) app.Guard([&setup] { setup.Show(); });
  };
  handlers.popupMenu = [&setup, menuPtr](POINT at) { menuPtr->Popup(at, setup.Handle()); };
  setup.Own(std::make_unique<TrayIcon>(icon, texts::kTrayTip, std::move(handlers)));
}

}  // namespace vemlo

