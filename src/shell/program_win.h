#pragma once
// The program's components on the settings window: the action list, the
// image list, the tray menu and the tray icon with their handlers.
#include "settings/setup_window_win.h"

namespace vemlo {

// Puts the components on the window; called while the window is built,
// before FormCreate.
void AddComponents(TSetup& setup);

}  // namespace vemlo
