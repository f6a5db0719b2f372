#include <gtest/gtest.h>

#include "collect/lines.h"

namespace vemlo {
namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
  const char* name;
  std::string text;
  Lines lines;
};

TEST(SplitLines, FollowsTheLineBreakRules) {
  const SplitCase cases[] = {
      {"empty", "", {}},
      {"one line without break", "abc", {"abc"}},
      {"final CR LF gives no empty line", "a\r\nb\r\n", {"a", "b"}},
      {"LF alone", "a\nb\n", {"a", "b"}},
      {"CR alone", "a\rb\r", {"a", "b"}},
      {"LF CR ends a line and yields an empty one", "a\n\rb", {"a", "", "b"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"blank lines kept", "\r\n\r\nx", {"", "", "x"}},
      {"cut at the first NUL", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {"NUL at the start", std::string("\0abc", 4), {}},
      {"bytes unchanged", "\x82\xa0 \t  x  ", {"\x82\xa0 \t  x  "}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << "[" << c.name << "]";
}

TEST(SplitLines, WrittenLinesReadBackTheSame) {
  const Lines lines = {"2024/01/01 a", "", "  spaced  ", "\x83\x5c"};
  EXPECT_EQ(JoinLines(lines), "2024/01/01 a\r\n\r\n  spaced  \r\n\x83\x5c\r\n");
  EXPECT_EQ(SplitLines(JoinLines(lines)), lines);
  EXPECT_EQ(JoinLines({}), "");
}

}  // namespace
}  // namespace vemlo
