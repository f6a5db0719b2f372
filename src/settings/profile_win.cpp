#include <windows.h>

#include "settings/ini_text.h"
#include "settings/profile.h"
#include "util/error.h"
#include "util/texts.h"

namespace vemlo {
namespace {

// GetPrivateProfileStringA gives the default for a missing key, so a key
// whose value equals the default looks missing. A second read with another
// default tells the two apart.
std::string ReadWithDefault(const std::string& path, const std::string& section, const std::string& key,
                            const char* fallback) {
  char buffer[kMaxIniValueBytes + 1];
  const DWORD n =
      ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, buffer, sizeof buffer, path.c_str());
  return std::string(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
}

}  // namespace

std::optional<std::string> FileProfile::Read(const std::string& section, const std::string& key) {
  std::string value = ReadWithDefault(path_, section, key, kAbsentProbeA);
  if (value != kAbsentProbeA) return value;
  if (ReadWithDefault(path_, section, key, kAbsentProbeB) == kAbsentProbeB) return std::nullopt;
  return value;
}

void FileProfile::Write(const std::string& section, const std::string& key, const std::string& value) {
  if (!::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()))
    Fail(Format(texts::kCannotWriteIni, path_.c_str()));
}

}  // namespace vemlo
