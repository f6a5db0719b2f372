// vemlo.exe: a single copy, hidden, in the notification area.
#include <windows.h>
#include <commctrl.h>

#include "settings/setup_window_win.h"
#include "shell/application_win.h"
#include "shell/program_win.h"
#include "shell/single_instance_win.h"
#include "util/texts.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace vemlo;
  // Before anything of the program's own: a second copy ends here, silently.
  if (AnotherCopyRuns()) return 0;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  Application& app = Application::Instance();
  app.Initialize(texts::kAppTitle);
  TSetup setup(AddComponents);
  app.SetMainWindow(setup.Handle());
  app.SetPreTranslate([&setup](const MSG& msg) { return setup.HandleMnemonic(msg); });
  return app.Run();
}
