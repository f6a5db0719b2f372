#include "settings/settings_file.h"

#include <climits>

#include "settings/spin_rules.h"
#include "util/texts.h"

namespace vemlo {
namespace {

constexpr SpinRange kIntervalRange = {1, 99};
constexpr unsigned kMillisecondsPerMinute = 60000;

// Index of the first byte of the file name.
size_t FileNameStart(const std::string& path, const PathRules& rules) {
  const size_t delimiter = rules.dbcs.LastOf(path, rules.Delimiters());
  return delimiter == std::string::npos ? 0 : delimiter + 1;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ReplaceExtension(const std::string& path, std::string_view extension, const PathRules& rules) {
  const size_t nameStart = FileNameStart(path, rules);
  const size_t dot = path.rfind('.');  // "." (0x2E) is never a trail byte
  const size_t cut = dot != std::string::npos && dot >= nameStart ? dot : path.size();
  return path.substr(0, cut) + std::string(extension);
}

std::string SettingsFilePath(const std::string& executable, const PathRules& rules) {
  return ReplaceExtension(executable, ".ini", rules);
}

std::string HelpFilePath(const std::string& executable, const PathRules& rules) {
  return ReplaceExtension(executable, ".pdf", rules);
}

std::string DefaultSaveFolder(const std::string& executable, const PathRules& rules) {
  return executable.substr(0, FileNameStart(executable, rules));
}

std::string SettingsSection(const std::string& loginName, const std::string& executable, const PathRules& rules) {
  if (!loginName.empty()) return loginName;
  return executable.substr(FileNameStart(executable, rules));
}

SettingsValues DefaultSettings(const std::string& executable, const PathRules& rules) {
  SettingsValues values;
  values.user = "admin";
  values.logAddress = texts::kDefaultLogAddress;
  values.saveFolder = DefaultSaveFolder(executable, rules);
  values.interval = "10";
  return values;
}

int ProfileInteger(std::string_view text, int fallback) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const int base = hex ? 16 : 10;
  size_t i = hex ? 2 : 0;
  bool negative = false;
  if (!hex && i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return fallback;
  // Checked after every digit, so the sum never leaves long long.
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit < 0 || digit >= base) return fallback;
    value = value * base + digit;
    if (value > limit) return fallback;
  }
  return static_cast<int>(negative ? -value : value);
}

void SaveSettings(Profile& profile, const std::string& section, const SettingsValues& values) {
  profile.Write(section, kTopKey, std::to_string(values.top));
  profile.Write(section, kLeftKey, std::to_string(values.left));
  for (const FieldKey& field : kFieldKeys) profile.Write(section, field.key, values.*field.field);
}

void LoadSettings(Profile& profile, const std::string& section, SettingsValues& values) {
  values.top = ProfileInteger(profile.Read(section, kTopKey).value_or(""), 0);
  values.left = ProfileInteger(profile.Read(section, kLeftKey).value_or(""), 0);
  for (const FieldKey& field : kFieldKeys) {
    if (std::optional<std::string> text = profile.Read(section, field.key)) values.*field.field = std::move(*text);
  }
}

long IntervalValue(std::string_view text) { return SpinValue(text, kIntervalRange); }

unsigned IntervalMilliseconds(std::string_view text) {
  long minutes = IntervalValue(text);
  if (minutes < kIntervalRange.min) minutes = kIntervalRange.min;
  if (minutes > kIntervalRange.max) minutes = kIntervalRange.max;
  return static_cast<unsigned>(minutes) * kMillisecondsPerMinute;
}

}  // namespace vemlo
