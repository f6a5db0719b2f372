#pragma once
// Small helpers of the shell: the Windows directory and a path's final backslash.
#include <string>

namespace vemlo {

// text with a backslash appended unless its last character is one already. A
// 0x5C that is the second byte of a double-byte character (the "ソ" of
// "C:\ソ") is no backslash, so that text gets one. An empty text stays empty:
// a command line built on it then names its program without a folder, and
// Windows searches for it, instead of looking at the root of the current drive.
std::string AddBackslash(std::string text);

// The Windows directory, ending in a backslash; empty when it cannot be read.
std::string GetWinDir();

}  // namespace vemlo
