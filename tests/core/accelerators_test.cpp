#include <gtest/gtest.h>

#include "shell/accelerators.h"

namespace vemlo {
namespace {

using Captions = std::vector<std::string>;

TEST(AssignAccelerators, TheTrayMenuOnAJapaneseSystem) {
  Captions menu = {"LOGのフォルダを開く", "-", "オプション(&O)", "-", "ヘルプ表示(&H)", "Brantor",
                   "バージョン情報(&A)", "-", "Vemlo 終了(&X)"};
  const Captions expected = {"LOGのフォルダを開く(&L)", "-", "オプション(&O)", "-", "ヘルプ表示(&H)", "&Brantor",
                             "バージョン情報(&A)", "-", "Vemlo 終了(&X)"};
  AssignAccelerators(menu, Dbcs::ShiftJis(), true);
  EXPECT_EQ(menu, expected);
  // Assigned once, they count as claimed at the next opening.
  AssignAccelerators(menu, Dbcs::ShiftJis(), true);
  EXPECT_EQ(menu, expected);
}

TEST(AssignAccelerators, Cases) {
  const struct {
    const char* name;
    Captions in, out;
    bool doubleByte;
  } cases[] = {
      {"single-byte captions", {"Open", "Options", "Exit"}, {"&Open", "O&ptions", "&Exit"}, false},
      {"a claimed character is taken from a later item", {"&Open", "&Other"}, {"&Open", "O&ther"}, false},
      {"claims come before assignment", {"Exit", "E&xtra"}, {"&Exit", "E&xtra"}, false},
      {"digits and letters only", {"- x -", "#1"}, {"- &x -", "#&1"}, false},
      {"no usable character, single-byte", {"...", "&A"}, {"...", "&A"}, false},
      {"no usable character, double-byte caption", {"\x83\x41\x83\x43", "&Z"},
       {"\x83\x41\x83\x43(&Y)", "&Z"}, true},
      {"before a final ellipsis", {"\x83\x41Setup..."}, {"\x83\x41Setup(&S)..."}, true},
      {"double-byte caption on a single-byte system", {"\x83\x41x"}, {"\x83\x41&x"}, false},
      {"a trail byte is no candidate", {"\x83\x41"}, {"\x83\x41(&Z)"}, true},
      {"&& is a plain ampersand", {"A&&B"}, {"&A&&B"}, false},
      {"separators take no part", {"-", "Sep"}, {"-", "&Sep"}, false},
  };
  for (const auto& c : cases) {
    Captions captions = c.in;
    AssignAccelerators(captions, Dbcs::ShiftJis(), c.doubleByte);
    EXPECT_EQ(captions, c.out) << "[" << c.name << "]";
  }
}

TEST(AcceleratorOf, ReadsTheMarkedCharacter) {
  EXPECT_EQ(AcceleratorOf("オプション(&O)", Dbcs::ShiftJis()), 'O');
  EXPECT_EQ(AcceleratorOf("&brantor", Dbcs::ShiftJis()), 'B');
  EXPECT_EQ(AcceleratorOf("A&&B", Dbcs::ShiftJis()), '\0');
  EXPECT_EQ(AcceleratorOf("\x83\x26x", Dbcs::ShiftJis()), '\0');  // 0x26 as a trail byte
}

}  // namespace
}  // namespace vemlo
