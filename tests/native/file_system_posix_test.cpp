// The POSIX file layer on real files: a full disk during a save, and files
// in the archive that are not regular files.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"
#include "util/error.h"
#include "util/file_system.h"

namespace vemlo {
namespace {

using test::ErrorOf;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(PosixFileSystem, AFullDiskLeavesTheOldDayFileWhole) {
  const std::string disk = test::SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small disk (tests/with-small-disk needs root)";
  const std::string path = disk + "/20240131.log";
  const std::string old(20000, 'o');
  SystemFileSystem().ReplaceFile(path, old);
  EXPECT_EQ(ErrorOf([&] { SystemFileSystem().ReplaceFile(path, std::string(100000, 'n')); }),
            "ストリームへの書き込みエラー");
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(test::ListFiles(disk), std::vector<std::string>{"20240131.log"});
  std::remove(path.c_str());
}

TEST(PosixFileSystem, AFifoInPlaceOfADayFileIsRefusedWithoutHanging) {
  TempDir dir;
  const std::string path = dir / "20240131.log";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_TRUE(SystemFileSystem().IsFile(path));
  EXPECT_EQ(ErrorOf([&] { SystemFileSystem().ReadFile(path, 1000); }), "ファイル " + path + " は開けません");
}

TEST(PosixFileSystem, ADayFileThatCannotBeLookedAtIsAnErrorNotAnEmptyDay) {
  TempDir dir;
  const std::string path = dir / "20240131.log";
  // A symbolic link loop: stat fails with ELOOP, not "no such file".
  ASSERT_EQ(::symlink(path.c_str(), path.c_str()), 0);
  EXPECT_EQ(ErrorOf([&] { SystemFileSystem().IsFile(path); }), "ファイル " + path + " は開けません");
  EXPECT_FALSE(SystemFileSystem().IsFile(dir / "missing.log"));
  EXPECT_FALSE(SystemFileSystem().IsFile(dir / "missing/20240131.log"));
}

TEST(PosixFileSystem, ReadingStopsAtTheSizeLimit) {
  TempDir dir;
  const std::string path = dir / "big.log";
  WriteBytes(path, std::string(5000, 'x'));
  EXPECT_EQ(SystemFileSystem().ReadFile(path, 5000).size(), 5000u);
  EXPECT_EQ(ErrorOf([&] { SystemFileSystem().ReadFile(path, 4999); }),
            "ファイル " + path + " は大きすぎて読めません");
}

TEST(PosixFileSystem, ReplaceOntoAFolderFailsAndCleansUp) {
  TempDir dir;
  const std::string path = dir / "20240131.log";
  std::filesystem::create_directory(path);
  EXPECT_EQ(ErrorOf([&] { SystemFileSystem().ReplaceFile(path, "x"); }), "ファイル " + path + " を作成できません");
  EXPECT_FALSE(test::Exists(path + ".tmp"));
}

}  // namespace
}  // namespace vemlo
