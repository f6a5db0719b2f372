#include <gtest/gtest.h>

#include "shell/commands.h"
#include "util/report_text.h"

namespace vemlo {
namespace {

TEST(ReportText, AddsAFullStopAfterCharactersThatSortAfterIt) {
  const struct {
    std::string message;
    std::string text;
  } cases[] = {
      {"", ""},
      {"HTTP 401 Unauthorized", "HTTP 401 Unauthorized."},
      {"TIE: Invalid URL. Error - 5 = ", "TIE: Invalid URL. Error - 5 = "},  // blank: no stop
      {"ends in a stop.", "ends in a stop."},
      {"ends in a dash -", "ends in a dash -"},
      {"ends in a slash/", "ends in a slash/."},  // "/" is 0x2F, just after "."
      {"x 9", "x 9."},
      {"\x83\x5c", "\x83\x5c."},          // double-byte: always
      {"\x82\xa0", "\x82\xa0."},
      {"abc\x81", "abc\x81."},            // a lone lead byte at the end is a byte above "."
  };
  for (const auto& c : cases) EXPECT_EQ(ReportText(c.message, Dbcs::ShiftJis()), c.text) << "[" << c.message << "]";
  // 81 2E is one double-byte character in Shift-JIS, but ends in "." byte-wise.
  EXPECT_EQ(ReportText("a\x81\x2e", Dbcs::ShiftJis()), "a\x81\x2e.");
  EXPECT_EQ(ReportText("a\x81\x2e", Dbcs::SingleByte()), "a\x81\x2e");
}

TEST(Commands, OpenLogFolderRunsExplorerOnTheFolderUnquoted) {
  const struct {
    std::string windows, folder, line;
  } cases[] = {
      {"C:\\WINDOWS\\", "D:\\Router Log\\", "C:\\WINDOWS\\explorer.exe D:\\Router Log\\"},
      {"C:\\WINDOWS\\", "", "C:\\WINDOWS\\explorer.exe "},
      {"", "D:\\Log", "explorer.exe D:\\Log"},
  };
  for (const auto& c : cases) EXPECT_EQ(OpenLogFolderCommandLine(c.windows, c.folder), c.line) << "[" << c.folder << "]";
}

TEST(Commands, AboutShowsTheNoticeAnEmptyLineAndTheVersion) {
  const std::string text = AboutText("FileVersion : 1.0.0.7");
  const size_t gap = text.find("\r\n\r\n");
  ASSERT_NE(gap, std::string::npos);
  EXPECT_GT(gap, 0u);
  EXPECT_EQ(text.substr(gap + 4), "FileVersion : 1.0.0.7");
  EXPECT_EQ(text.find("\r\n"), gap) << "the notice is one line";
}

}  // namespace
}  // namespace vemlo
