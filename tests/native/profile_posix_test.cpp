// The POSIX profile on real files: a private mode for the file that holds the
// password, and no write that could lose the file or its other sections.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "settings/profile.h"
#include "support/test_support.h"
#include "util/error.h"

namespace vemlo {
namespace {

using test::ErrorOf;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}

TEST(PosixProfile, NewFileIsPrivateAndAnOldOneKeepsItsMode) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini";
  const mode_t oldMask = ::umask(0);  // a lax umask must not open the file up
  FileProfile(path).Write("taro", "AtermPassword", "secret");
  ::umask(oldMask);
  EXPECT_EQ(ModeOf(path), 0600u);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  FileProfile(path).Write("taro", "AtermUserName", "admin");
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(ReadBytes(path), "[taro]\r\nAtermPassword=secret\r\nAtermUserName=admin\r\n");
  EXPECT_EQ(test::ListFiles(dir.Path()), std::vector<std::string>{"vemlo.ini"});
}

// Root may write any file, so the check runs as the user nobody: in a folder
// anyone may write, a rename could replace the read-only file all the same.
TEST(PosixProfile, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  const std::string path = dir / "vemlo.ini";
  const std::string before = "[hanako]\r\nSetupTop=5\r\n";
  WriteBytes(path, before);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  auto attempt = [&] { return ErrorOf([&] { FileProfile(path).Write("taro", "SetupTop", "1"); }); };
  const std::string expected = path + " に書き込めません";
  if (::geteuid() != 0) {
    EXPECT_EQ(attempt(), expected);
  } else {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
      ::_exit(attempt() == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: written or other error, 3: could not become nobody";
  }
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(test::ListFiles(dir.Path()), std::vector<std::string>{"vemlo.ini"});
}

TEST(PosixProfile, SomethingElseInPlaceOfTheFileIsLeftAlone) {
  TempDir dir;
  const std::string folder = dir / "folder.ini";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string fifo = dir / "fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = dir / "big.ini";
  WriteBytes(big, "[taro]\r\nSetupTop=1\r\n" + std::string(17u << 20, ';'));
  for (const std::string& path : {folder, fifo, big}) {
    FileProfile profile(path);
    EXPECT_FALSE(profile.Read("taro", "SetupTop").has_value()) << path;  // no hang on the FIFO
    EXPECT_EQ(ErrorOf([&] { profile.Write("taro", "SetupTop", "2"); }), path + " に書き込めません") << path;
  }
  struct stat st;
  EXPECT_TRUE(::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
  EXPECT_TRUE(::stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  EXPECT_EQ(ReadBytes(big).size(), 20 + (17u << 20));
  EXPECT_EQ(test::ListFiles(dir.Path()), std::vector<std::string>{"big.ini"});  // regular files only
}

TEST(PosixProfile, AFullDiskLeavesTheOldFileWhole) {
  const std::string disk = test::SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small disk (tests/with-small-disk needs root)";
  const std::string path = disk + "/vemlo.ini";
  FileProfile profile(path);
  profile.Write("taro", "SetupTop", std::string(20000, '1'));
  const std::string before = ReadBytes(path);
  EXPECT_EQ(ErrorOf([&] { profile.Write("taro", "SetupLeft", std::string(100000, '2')); }), path + " に書き込めません");
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(test::ListFiles(disk), std::vector<std::string>{"vemlo.ini"});
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vemlo
