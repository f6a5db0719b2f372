#include <gtest/gtest.h>

#include "collect/day_path.h"

namespace vemlo {
namespace {

TEST(DayKey, IsTheFirstTenBytesWithoutSlashes) {
  const struct {
    const char* line;
    const char* key;
  } cases[] = {
      {"2024/01/31 12:00:00 PPP up", "20240131"},
      {"2024/01/3", "2024013"},
      {"", ""},
      {"//////////x", ""},
      {"abc", "abc"},
      {"<html><head>", "<html><hea"},
  };
  for (const auto& c : cases) EXPECT_EQ(DayKey(c.line), c.key) << "[" << c.line << "]";
}

TEST(DayFilePath, JoinsFolderYearAndKey) {
  const PathRules win = PathRules::Windows(Dbcs::ShiftJis());
  const PathRules ascii = PathRules::Windows(Dbcs::SingleByte());
  const struct {
    const char* name;
    const PathRules& rules;
    std::string folder, key, path;
  } cases[] = {
      {"plain", win, "C:\\Log", "20240131", "C:\\Log\\2024\\20240131.log"},
      {"folder ending in backslash", win, "C:\\Log\\", "20240131", "C:\\Log\\2024\\20240131.log"},
      {"empty folder starts at the root", win, "", "20240131", "\\2024\\20240131.log"},
      {"short key names the year folder whole", win, "C:\\Log", "abc", "C:\\Log\\abc\\abc.log"},
      {"empty key", win, "C:\\Log", "", "C:\\Log\\\\.log"},
      // "ソ" is 83 5C: its trail byte is no backslash in Shift-JIS.
      {"double-byte folder end", win, "C:\\\x83\x5c", "20240131", "C:\\\x83\x5c\\2024\\20240131.log"},
      {"same bytes single-byte", ascii, "C:\\\x83\x5c", "20240131", "C:\\\x83\x5c" "2024\\20240131.log"},
      {"posix", PathRules::Posix(), "/srv/log", "20240131", "/srv/log/2024/20240131.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(DayFilePath(c.folder, c.key, c.rules), c.path) << "[" << c.name << "]";
}

TEST(IsSafeDayKey, RefusesKeysThatCouldLeaveTheFolderOrHitADevice) {
  const struct {
    std::string key;
    bool safe;
  } cases[] = {
      {"20240131", true},
      {"", true},
      {"abc", true},
      {"\x83\x41\x83\x8b", true},
      {"2024.x", true},
      {"..", false},
      {".hidden", false},
      {"2024\\..", false},
      {"..\\..\\x", false},
      {"C:x", false},
      {"a<b", false},
      {"a>b", false},
      {"a\"b", false},
      {"a|b", false},
      {"a?b", false},
      {"a*b", false},
      {"a\tb", false},
      {"CON", false},
      {"con", false},
      {"Nul.2024", false},
      {"aux ", false},
      {"COM1", false},
      {"lpt9xyz", false},  // its year folder "lpt9" would be a device
      {"PRN.txt", false},
      {"COM0", true},
      {"CONSOLE", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafeDayKey(c.key), c.safe) << "[" << c.key << "]";
}

}  // namespace
}  // namespace vemlo
