#pragma once
// Where a line is filed: its day key, the year folder and the day file path.
#include <string>
#include <string_view>

#include "util/path_rules.h"

namespace vemlo {

// The first ten bytes of the line with every "/" removed.
std::string DayKey(std::string_view line);

// folder + sep + first four bytes of key + sep + key + ".log", with no second
// separator where a part already ends in one.
std::string DayFilePath(const std::string& folder, const std::string& key, const PathRules& rules);

// Whether a day key may reach the file system: no separators, colons or other
// characters Windows forbids in names, no control bytes, no leading "." in the
// year part or the key, no device name (CON, NUL, COM1...). Applied on every
// system so an archive looks the same everywhere.
bool IsSafeDayKey(std::string_view key);

}  // namespace vemlo
