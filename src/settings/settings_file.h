#pragma once
// The settings file: where it lies, whose section holds the settings, its
// seven keys with their defaults, and what the interval text means.
#include <array>
#include <string>
#include <string_view>

#include "settings/profile.h"
#include "util/file_system.h"
#include "util/path_rules.h"

namespace vemlo {

// What the file keeps: the settings window's position and its five fields,
// each field as the text the window holds, unchecked.
struct SettingsValues {
  int top = 0;
  int left = 0;
  std::string user;        // AtermUserName
  std::string password;    // AtermPassword, in plain text
  std::string logAddress;  // LOGURI
  std::string saveFolder;  // SaveFolder
  std::string interval;    // IntervalTime, the text rather than its number
};

// The window's component name "Setup" with "Top" and "Left".
inline constexpr char kTopKey[] = "SetupTop";
inline constexpr char kLeftKey[] = "SetupLeft";

struct FieldKey {
  const char* key;  // the name of the field's control
  std::string SettingsValues::*field;
};

// The field keys in the order they are written, after the two position keys.
inline constexpr std::array<FieldKey, 5> kFieldKeys = {{
    {"AtermUserName", &SettingsValues::user},
    {"AtermPassword", &SettingsValues::password},
    {"LOGURI", &SettingsValues::logAddress},
    {"SaveFolder", &SettingsValues::saveFolder},
    {"IntervalTime", &SettingsValues::interval},
}};

// path with the extension of its file name (from its last ".") replaced by
// extension, or with extension appended when the file name has none. A "."
// in a folder name is no extension.
std::string ReplaceExtension(const std::string& path, std::string_view extension, const PathRules& rules);

// The executable's path with ".ini".
std::string SettingsFilePath(const std::string& executable, const PathRules& rules = SystemFileSystem().Rules());
// The executable's path with ".pdf".
std::string HelpFilePath(const std::string& executable, const PathRules& rules = SystemFileSystem().Rules());
// The executable's folder, ending in a separator.
std::string DefaultSaveFolder(const std::string& executable, const PathRules& rules = SystemFileSystem().Rules());
// The user's section: their login name, or the executable's file name
// (extension included, no folder) when that name is empty.
std::string SettingsSection(const std::string& loginName, const std::string& executable,
                            const PathRules& rules = SystemFileSystem().Rules());

// The values before any file is read: position (0, 0), user "admin", no
// password, the router's log page, the executable's folder, interval "10".
SettingsValues DefaultSettings(const std::string& executable, const PathRules& rules = SystemFileSystem().Rules());

// A stored integer: a text of more than two characters that starts with "0x"
// or "0X" is hexadecimal, any other is decimal with an optional sign. An
// empty or malformed text, or a number outside the range of int, gives
// fallback.
int ProfileInteger(std::string_view text, int fallback);

// Writes the seven keys in order, one write each. The first write that fails
// ends the save with its Error; the keys written before it stay written.
void SaveSettings(Profile& profile, const std::string& section, const SettingsValues& values);

// Reads the seven keys into values: the position becomes the stored number,
// or 0 when it is absent or malformed; a field takes the stored text, an
// empty one included, and keeps its value only when its key is absent.
void LoadSettings(Profile& profile, const std::string& section, SettingsValues& values);

// The interval field's number: its text as an integer (decimal digits with an
// optional sign; a huge number saturates), or 1 for any other text.
long IntervalValue(std::string_view text);
// The timer's period: the interval within 1..99 minutes, in milliseconds.
unsigned IntervalMilliseconds(std::string_view text);

}  // namespace vemlo
