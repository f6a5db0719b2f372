#pragma once
// The collector's settings: the Windows program's settings file, its keys,
// section rule, defaults and interval rules, at a Linux path.
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_file.h"

namespace vemlo {

struct SettingsPlace {
  std::string file;     // the settings file
  std::string section;  // the user's section (SettingsSection)
};

// The Windows defaults, with the archive in archiveFolder instead of the
// executable's folder.
SettingsValues CollectorDefaults(const std::string& archiveFolder);

struct LoadedSettings {
  SettingsValues values;
  std::vector<std::string> notices;  // lines for the log, in English
};

// Reads the user's section. A missing file is made first, holding the
// defaults (mode 0600: it holds the password), and a notice says so; a file
// without any of the seven keys in the section, and a SaveFolder meant for
// Windows, get a notice each. Throws Error kCannotCreateSettings when the
// missing file cannot be made.
LoadedSettings LoadCollectorSettings(const SettingsPlace& place, const SettingsValues& defaults);

// A folder text plainly written for Windows: a drive letter and ":" at its
// start, or a "\" anywhere. On Linux such a text names a strange relative
// folder, and the cycle's own error would not say why.
bool LooksLikeWindowsPath(std::string_view folder);

// Whether the group or others may read the file (false when it is missing).
bool OthersMayRead(const std::string& path);

// IntervalTime in minutes by the Windows rules: within 1..99, and a text
// that is not a number counts as 1.
long IntervalMinutes(const SettingsValues& values);

}  // namespace vemlo
