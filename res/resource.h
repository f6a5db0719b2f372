#pragma once
// Resource ids of vemlo.exe, shared by vemlo.rc and the C++ code.

// Explorer shows the icon group with the lowest id, so the application's own
// icon (32 x 32 and 16 x 16) comes first.
#define IDI_APP 1
// The notification-area icon: 16 x 16, 16 colours.
#define IDI_TRAY 2
// The seven menu images side by side in one 112 x 16 bitmap (24 bits per
// pixel); every pixel of the colour kMenuMaskColour is transparent.
#define IDB_MENU 101

#ifndef RC_INVOKED
#include <windows.h>

namespace vemlo::res {

constexpr int kMenuImageSize = 16;
constexpr int kMenuImageCount = 7;
// Magenta, used by none of the pictures.
constexpr COLORREF kMenuMaskColour = RGB(255, 0, 255);

// Index of each picture in the strip, and so in the image list made from it.
enum MenuImage {
  kImageExit = 0,        // a black diagonal cross
  kImageAbout = 1,       // a white speech bubble holding a blue letter i
  kImageWeb = 2,         // a globe with a network plug
  kImageHelp = 3,        // a purple book with a yellow question mark
  kImageSetup = 4,       // a yellow note with a red clip
  kImageSheet = 5,       // a white sheet with blue lines of writing
  kImageOpenFolder = 6,  // an open folder holding papers
};

}  // namespace vemlo::res
#endif
