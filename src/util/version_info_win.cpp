#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "util/version_info.h"

namespace vemlo {
namespace {

constexpr const char* kKeys[] = {
    "\\CompanyName",    "\\FileDescription",  "\\FileVersion", "\\InternalName",
    "\\LegalCopyright", "\\OriginalFilename", "\\ProductName", "\\ProductVersion",
};
constexpr int kKeyCount = sizeof(kKeys) / sizeof(kKeys[0]);
constexpr int kFileVersionRow = 2;
constexpr const char kUnidentified[] = "unidentified";

// "041103A4" from the first translation entry: language in the low word, code
// page in the high word, written language first.
std::string StringTableName(DWORD translation) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(translation));
  return std::string(hex + 4, 4) + std::string(hex, 4);
}

}  // namespace

std::string GetVersionInfoText(const std::string& path, int keyIndex) {
  const int row = keyIndex >= 0 && keyIndex < kKeyCount ? keyIndex : kFileVersionRow;
  const std::string label = std::string(kKeys[row] + 1).substr(0, 255);

  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return kUnidentified;
  // Owns the copy on every path; an exhausted-memory error leaves nothing behind.
  std::vector<char> info(size);
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return kUnidentified;

  void* translation = nullptr;
  UINT translationLength = 0;
  // Fewer than four bytes hold no whole entry; reading one would run past it.
  if (!::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &translation, &translationLength) ||
      translation == nullptr || translationLength < sizeof(DWORD)) {
    return kUnidentified;
  }
  DWORD first = 0;
  std::memcpy(&first, translation, sizeof first);

  const std::string subBlock = "\\StringFileInfo\\" + StringTableName(first) + kKeys[row];
  void* value = nullptr;
  UINT valueLength = 0;
  if (!::VerQueryValueA(info.data(), subBlock.c_str(), &value, &valueLength) || value == nullptr || valueLength == 0) {
    return label + " : None";
  }
  // The ANSI view ends the value with a zero byte; a damaged resource might
  // not, so the read stops at the end of the copy at the latest.
  const char* text = static_cast<const char*>(value);
  const char* end = info.data() + info.size();
  const size_t limit = text >= info.data() && text < end ? static_cast<size_t>(end - text) : valueLength;
  return label + " : " + std::string(text, strnlen(text, limit));
}

}  // namespace vemlo
