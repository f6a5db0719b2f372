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

class CycleTest : public testing::Test {
 protected:
  // One cycle with the given page; returns the error text, empty on success.
  std::string Run(const ResponseLines& page) {
    try {
      collector_.RunCycle(
          state_, [&] { return page; }, [&] { return folder_; });
      return "";
    } catch (const Error& e) {
      return e.what();
    }
  }
  std::string Day(const std::string& key) { return ReadBytes(dir_ / (key.substr(0, 4) + "/" + key + ".log")); }

  TempDir dir_;
  std::string folder_ = dir_.Path();
  CollectState state_;
  Collector collector_{SystemFileSystem(), SystemLineKeyer()};
};

TEST_F(CycleTest, FilesLinesUnderTheirDayAndAddsOnlyMissingOnes) {
  const ResponseLines page = {
      "2024/01/30 23:59:59 a", "2024/01/31 00:00:01 b", "2024/01/30 23:59:58 c",
      "2024/01/31 00:00:01 B",  // a case variant of an archived line
      "2024/01/31 00:00:02 d", "2024/01/31 00:00:02 d",
  };
  ASSERT_EQ(Run(page), "");
  EXPECT_EQ(Day("20240130"), "2024/01/30 23:59:59 a\r\n2024/01/30 23:59:58 c\r\n");
  EXPECT_EQ(Day("20240131"), "2024/01/31 00:00:01 b\r\n2024/01/31 00:00:02 d\r\n");
  EXPECT_EQ(state_.lastDay, "20240131");
  EXPECT_EQ(state_.logFile, dir_ / "2024/20240131.log");

  // The same page again adds nothing; a new line goes at the end.
  ASSERT_EQ(Run(page), "");
  ASSERT_EQ(Run({"2024/01/31 00:00:03 e", "2024/01/30 23:59:59 A"}), "");
  EXPECT_EQ(Day("20240130"), "2024/01/30 23:59:59 a\r\n2024/01/30 23:59:58 c\r\n");
  EXPECT_EQ(Day("20240131"), "2024/01/31 00:00:01 b\r\n2024/01/31 00:00:02 d\r\n2024/01/31 00:00:03 e\r\n");
  EXPECT_EQ(ListFiles(dir_.Path()), (std::vector<std::string>{"2024/20240130.log", "2024/20240131.log"}));
}

TEST_F(CycleTest, LinesDroppedByTheRouterStayArchived) {
  ASSERT_EQ(Run({"2024/02/01 a", "2024/02/01 b"}), "");
  ASSERT_EQ(Run({"2024/02/01 b", "2024/02/01 c"}), "");
  EXPECT_EQ(Day("20240201"), "2024/02/01 a\r\n2024/02/01 b\r\n2024/02/01 c\r\n");
}

TEST_F(CycleTest, AnEmptyPageFirstWritesNothingLaterRewritesTheCurrentDay) {
  ASSERT_EQ(Run({}), "");
  EXPECT_TRUE(ListFiles(dir_.Path()).empty());

  ASSERT_EQ(Run({"2024/03/01 a"}), "");
  WriteBytes(dir_ / "2024/20240301.log", std::string("x\ny\r\rz\0after", 13));
  ASSERT_EQ(Run({}), "");
  EXPECT_EQ(Day("20240301"), "x\r\ny\r\n\r\nz\r\n");

  std::remove((dir_ / "2024/20240301.log").c_str());
  ASSERT_EQ(Run({}), "");
  EXPECT_EQ(Day("20240301"), "");
}

TEST_F(CycleTest, UndatedLinesFollowTheKeyOfTheirFirstTenBytes) {
  // Empty keys before the first dated line of the first cycle are dropped;
  // as the last lines of a page they go to ".log" in the archive folder.
  ASSERT_EQ(Run({"", "2024/04/01 a", "ab/c", ""}), "");
  EXPECT_EQ(Day("20240401"), "2024/04/01 a\r\n");
  EXPECT_EQ(ReadBytes(dir_ / "abc/abc.log"), "ab/c\r\n");
  EXPECT_EQ(ReadBytes(dir_ / ".log"), "\r\n");
  EXPECT_EQ(ListFiles(dir_.Path()), (std::vector<std::string>{".log", "2024/20240401.log", "abc/abc.log"}));
}

TEST_F(CycleTest, AnUnsafeKeyWritesNothingAnywhereAndIsForgotten) {
  folder_ = dir_ / "archive";
  const ResponseLines pages[] = {
      {"2024/05/01 a", "..\\..\\out", "2024/05/01 b"},
      {"2024/05/01 a", "../../out\\x"},
      {"2024/05/01 a", "CON"},
      {"2024/05/01 a", "<html><head><title>"},
  };
  for (const auto& page : pages) {
    const std::string error = Run(page);
    EXPECT_EQ(error.rfind("ファイル ", 0), 0u) << page[1] << ": " << error;
    EXPECT_NE(error.find(" を作成できません"), std::string::npos) << page[1] << ": " << error;
    EXPECT_TRUE(state_.lastDay.empty() && state_.logFile.empty()) << page[1];
  }
  EXPECT_EQ(ListFiles(dir_.Path()), std::vector<std::string>{"archive/2024/20240501.log"});
  // The cycle ends at the unsafe day, so "b" waits for a page without it.
  EXPECT_EQ(ReadBytes(dir_ / "archive/2024/20240501.log"), "2024/05/01 a\r\n");
  // The next good page goes on as after a fresh start.
  ASSERT_EQ(Run({"2024/05/02 c"}), "");
}

TEST_F(CycleTest, ANewArchiveFolderTakesEffectAtTheNextChangeOfDay) {
  ASSERT_EQ(Run({"2024/06/01 a"}), "");
  const std::string first = folder_;
  folder_ = dir_ / "moved";
  ASSERT_EQ(Run({"2024/06/01 b", "2024/06/02 c"}), "");
  EXPECT_EQ(ReadBytes(dir_ / "2024/20240601.log"), "2024/06/01 a\r\n2024/06/01 b\r\n");
  EXPECT_EQ(ReadBytes(dir_ / "moved/2024/20240602.log"), "2024/06/02 c\r\n");
}

TEST_F(CycleTest, AMissingRelativeTopFolderIsAnError) {
  folder_ = "vemlo-no-such-folder-7f3a";
  EXPECT_EQ(Run({"2024/07/01 a"}), "ディレクトリを作成することができません");
  EXPECT_EQ(state_.lastDay, "20240701");
  EXPECT_FALSE(test::Exists("vemlo-no-such-folder-7f3a"));
}

TEST_F(CycleTest, AFailedSaveKeepsTheOldDayAndItsState) {
  ASSERT_EQ(Run({"2024/08/01 a"}), "");
  // A folder where the next day file should go: it cannot be created.
  std::filesystem::create_directories(dir_ / "2024/20240802.log");
  const std::string error = Run({"2024/08/02 b", "2024/08/03 c"});
  EXPECT_EQ(error, "ファイル " + (dir_ / "2024/20240802.log") + " を作成できません");
  EXPECT_EQ(state_.lastDay, "20240802");
  EXPECT_EQ(Day("20240801"), "2024/08/01 a\r\n");
  EXPECT_FALSE(test::Exists(dir_ / "2024/20240803.log"));
  EXPECT_FALSE(test::Exists(dir_ / "2024/20240802.log.tmp"));
}

}  // namespace
}  // namespace vemlo
