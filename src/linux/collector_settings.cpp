#include "linux/collector_settings.h"

#include <sys/stat.h>

#include <cerrno>

#include "settings/profile.h"
#include "util/error.h"
#include "util/module_path.h"
#include "util/texts.h"

namespace vemlo {
namespace {

// IntervalMilliseconds gives whole minutes of this length.
constexpr unsigned kMillisecondsPerMinute = 60000;

bool IsMissing(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

bool HoldsAnyKey(Profile& profile, const std::string& section) {
  if (profile.Read(section, kTopKey) || profile.Read(section, kLeftKey)) return true;
  for (const FieldKey& field : kFieldKeys)
    if (profile.Read(section, field.key)) return true;
  return false;
}

}  // namespace

SettingsValues CollectorDefaults(const std::string& archiveFolder) {
  SettingsValues values = DefaultSettings(ExecutablePath());
  values.saveFolder = archiveFolder;
  return values;
}

LoadedSettings LoadCollectorSettings(const SettingsPlace& place, const SettingsValues& defaults) {
  LoadedSettings loaded;
  loaded.values = defaults;
  FileProfile profile(place.file);
  if (IsMissing(place.file)) {
    try {
      SaveSettings(profile, place.section, defaults);
    } catch (const Error&) {
      Fail(Format(texts::kCannotCreateSettings, place.file.c_str()));
    }
    loaded.notices.push_back(Format(texts::kSettingsCreated, place.file.c_str(), place.section.c_str()));
  } else if (!HoldsAnyKey(profile, place.section)) {
    loaded.notices.push_back(Format(texts::kNoSection, place.file.c_str(), place.section.c_str()));
  }
  LoadSettings(profile, place.section, loaded.values);
  if (LooksLikeWindowsPath(loaded.values.saveFolder))
    loaded.notices.push_back(Format(texts::kWindowsFolder, loaded.values.saveFolder.c_str(), place.file.c_str()));
  return loaded;
}

bool LooksLikeWindowsPath(std::string_view folder) {
  const bool drive = folder.size() >= 2 && folder[1] == ':' &&
                     ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
  return drive || folder.find('\\') != std::string_view::npos;
}

bool OthersMayRead(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

long IntervalMinutes(const SettingsValues& values) {
  return static_cast<long>(IntervalMilliseconds(values.interval) / kMillisecondsPerMinute);
}

}  // namespace vemlo
