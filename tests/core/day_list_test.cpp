#include <gtest/gtest.h>

#include "collect/day_list.h"

namespace vemlo {
namespace {

const FoldingKeyer kSjis(Dbcs::ShiftJis());

TEST(FoldingKeyer, EqualExactlyWhenLinesDifferOnlyInLetterCase) {
  const struct {
    std::string a, b;
    bool equal;
  } cases[] = {
      {"PPP up", "ppp UP", true},
      {"ppp up", "ppp up ", false},
      {"co-op", "coop", false},
      {"\x82\x60", "\x82\x81", true},         // full-width Ａ and ａ
      {"\x82\x79", "\x82\x9a", true},         // Ｚ and ｚ
      {"A", "\x82\x60", false},               // half-width A is not full-width Ａ
      {"\x83\x61", "\x83\x41", false},        // a trail byte is no ASCII letter
      {"\x82\x61x", "\x82\x61X", true},       // letters after a double-byte character fold
      {"a\x01", "A\x01", true},
      {"a\x01", "a\x02", false},
  };
  std::string ka, kb;
  for (const auto& c : cases) {
    kSjis.Key(c.a, ka);
    kSjis.Key(c.b, kb);
    EXPECT_EQ(ka == kb, c.equal) << "[" << c.a << "] vs [" << c.b << "]";
  }
}

TEST(DayList, KeepsTheFirstOfEqualLinesAndTheOrder) {
  DayList day(kSjis);
  day.AssignFileBytes("b\r\nA\na\n");  // a file's own duplicates stay
  EXPECT_FALSE(day.AddUnlessPresent("B"));
  EXPECT_TRUE(day.AddUnlessPresent("c"));
  EXPECT_FALSE(day.AddUnlessPresent("C"));
  EXPECT_TRUE(day.AddUnlessPresent(""));
  EXPECT_FALSE(day.AddUnlessPresent(""));
  EXPECT_EQ(day.FileBytes(), "b\r\nA\r\na\r\nc\r\n\r\n");
  ASSERT_EQ(day.Count(), 5u);
  EXPECT_EQ(day.Line(3), "c");
}

TEST(DayList, IndexAgreesWithALinearScanOnManyLines) {
  // Enough lines to grow the index several times, with case variants and
  // near misses sharing long prefixes.
  DayList day(kSjis);
  std::vector<std::string> kept;
  std::string key, other;
  for (int i = 0; i < 5000; ++i) {
    std::string line = "2024/01/31 12:00:00 entry " + std::to_string(i % 1700);
    if (i % 3 == 0) line += " Tail";
    if (i % 5 == 0)
      for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool present = false;
    kSjis.Key(line, key);
    for (const auto& k : kept) {
      kSjis.Key(k, other);
      if (other == key) {
        present = true;
        break;
      }
    }
    if (!present) kept.push_back(line);
    ASSERT_EQ(day.AddUnlessPresent(line), !present) << "line " << i << ": " << line;
  }
  ASSERT_EQ(day.Count(), kept.size());
  for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(day.Line(i), kept[i]);
}

TEST(DayList, ClearAndReassignStartAfresh) {
  DayList day(kSjis);
  day.AddUnlessPresent("x");
  day.AssignFileBytes("y\r\n");
  EXPECT_TRUE(day.AddUnlessPresent("x"));
  day.Clear();
  EXPECT_EQ(day.FileBytes(), "");
  EXPECT_TRUE(day.AddUnlessPresent("y"));
}

}  // namespace
}  // namespace vemlo
