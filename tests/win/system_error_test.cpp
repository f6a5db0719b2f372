// Windows' own error texts and the disk that fills up during a save.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "util/error.h"
#include "util/file_system.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

TEST(SystemErrorText, ComesFromTheSystemWithoutTrailingBreaksAndPeriods) {
  for (DWORD code : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_INTERNET_CANNOT_CONNECT}}) {
    const std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    if (text.empty()) continue;
    EXPECT_NE(text.back(), '.') << code << ": " << text;
    EXPECT_NE(text.back(), '\n') << code << ": " << text;
    EXPECT_NE(text.back(), ' ') << code << ": " << text;
  }
  EXPECT_EQ(SystemErrorText(0x7FFFFFF0), "");
}

TEST(WinFileSystem, AFullDiskLeavesTheOldDayFileWhole) {
  const std::string disk = test::SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small disk (tests/with-small-disk needs root)";
  const std::string path = disk + "\\20240131.log";
  const std::string old(20000, 'o');
  SystemFileSystem().ReplaceFile(path, old);
  try {
    SystemFileSystem().ReplaceFile(path, std::string(100000, 'n'));
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "ストリームへの書き込みエラー");
  }
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(test::ListFiles(disk), std::vector<std::string>{"20240131.log"});
  ::DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace vemlo
