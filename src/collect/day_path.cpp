#include "collect/day_path.h"

#include <cctype>

namespace vemlo {

std::string DayKey(std::string_view line) {
  std::string key;
  for (char c : line.substr(0, 10))
    if (c != '/') key += c;
  return key;
}

std::string DayFilePath(const std::string& folder, const std::string& key, const PathRules& rules) {
  return rules.WithSeparator(folder) + rules.WithSeparator(key.substr(0, 4)) + key + ".log";
}

namespace {

bool IsDeviceName(std::string_view name) {
  // Windows takes "NUL.txt" and "nul " for the device as well.
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string upper;
  for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
         upper[3] >= '1' && upper[3] <= '9';
}

bool IsSafeName(std::string_view name) {
  return !(!name.empty() && name.front() == '.') && !IsDeviceName(name);
}

}  // namespace

bool IsSafeDayKey(std::string_view key) {
  for (char c : key) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || std::string_view("\\/:<>\"|?*").find(c) != std::string_view::npos) return false;
  }
  return IsSafeName(key.substr(0, 4)) && IsSafeName(key);
}

}  // namespace vemlo
