// A year folder that cannot be made, or that goes away between cycles: the
// save fails without touching anything, and once the folder can be made
// again the next cycle archives the lines, without a restart.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "collect/cycle.h"
#include "support/test_support.h"
#include "util/error.h"

namespace vemlo {
namespace {

using test::ListFiles;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr char kNone[] = "(no error)";

class YearFolderTest : public testing::Test {
 protected:
  // The cycle's error, or "(no error)".
  std::string Run(const ResponseLines& page) {
    return test::ErrorOf([&] {
      collector_.RunCycle(
          state_, [&] { return page; }, [&] { return dir_.Path(); });
    });
  }

  TempDir dir_;
  CollectState state_;
  Collector collector_{SystemFileSystem(), SystemLineKeyer()};
};

TEST_F(YearFolderTest, AFileInItsPlaceFailsTheSaveAndTheNextCycleRecovers) {
  WriteBytes(dir_ / "2025", "not a folder");
  const ResponseLines page = {"2024/12/31 a", "2025/01/01 x", "2024/12/31 b"};
  EXPECT_EQ(Run(page), "ファイル " + (dir_ / "2025/20250101.log") + " を作成できません");
  EXPECT_EQ(state_.lastDay, "20250101");
  EXPECT_EQ(ReadBytes(dir_ / "2024/20241231.log"), "2024/12/31 a\r\n");
  EXPECT_EQ(ReadBytes(dir_ / "2025"), "not a folder");
  EXPECT_EQ(ListFiles(dir_.Path()), (std::vector<std::string>{"2024/20241231.log", "2025"}));

  // While the file stays, every cycle fails the same way and harms nothing.
  EXPECT_EQ(Run(page), "ファイル " + (dir_ / "2025/20250101.log") + " を作成できません");
  EXPECT_EQ(ListFiles(dir_.Path()), (std::vector<std::string>{"2024/20241231.log", "2025"}));

  std::remove((dir_ / "2025").c_str());
  ASSERT_EQ(Run(page), kNone);
  EXPECT_EQ(ReadBytes(dir_ / "2024/20241231.log"), "2024/12/31 a\r\n2024/12/31 b\r\n");
  EXPECT_EQ(ReadBytes(dir_ / "2025/20250101.log"), "2025/01/01 x\r\n");
  EXPECT_EQ(ListFiles(dir_.Path()), (std::vector<std::string>{"2024/20241231.log", "2025/20250101.log"}));
}

TEST_F(YearFolderTest, AYearFolderRemovedBetweenCyclesIsMadeAgain) {
  struct Case {
    const char* name;
    ResponseLines page;  // the next page, after the folder of 2024/12/31 is gone
    const char* day;     // what 2024/12/31 then holds
  };
  const Case cases[] = {
      {"the same day only", {"2024/12/31 b"}, "2024/12/31 b\r\n"},
      {"another day first", {"2025/01/01 x", "2024/12/31 a", "2024/12/31 b"}, "2024/12/31 a\r\n2024/12/31 b\r\n"},
      {"an empty page", {}, ""},
  };
  for (const Case& c : cases) {
    state_ = CollectState();
    std::filesystem::remove_all(dir_ / "2024");
    std::filesystem::remove_all(dir_ / "2025");
    ASSERT_EQ(Run({"2024/12/31 a"}), kNone) << "[" << c.name << "]";
    std::filesystem::remove_all(dir_ / "2024");
    EXPECT_EQ(Run(c.page), kNone) << "[" << c.name << "]";
    EXPECT_EQ(ReadBytes(dir_ / "2024/20241231.log"), c.day) << "[" << c.name << "]";
  }
}

}  // namespace
}  // namespace vemlo
