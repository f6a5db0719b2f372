// Where the collector looks for its settings and puts its archive and lock
// file, and the folders it makes on the way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "linux/config_path.h"
#include "support/test_support.h"

namespace vemlo {
namespace {

using test::TempDir;
using test::WriteBytes;

struct FolderCase {
  const char* name;
  const char* home;
  const char* xdgConfig;
  const char* xdgData;
  std::string passwdHome;
  std::string configFile;
  std::string archive;
};

TEST(CollectorPaths, XdgFoldersElseTheHome) {
  const FolderCase cases[] = {
      {"home only", "/home/taro", nullptr, nullptr, "/x", "/home/taro/.config/vemlo/vemlo.ini",
       "/home/taro/.local/share/vemlo/"},
      {"xdg set", "/home/taro", "/cfg", "/data", "", "/cfg/vemlo/vemlo.ini", "/data/vemlo/"},
      {"xdg ending in slash", "/h", "/cfg/", "/data//", "", "/cfg/vemlo/vemlo.ini", "/data/vemlo/"},
      {"empty xdg counts as unset", "/h", "", "", "", "/h/.config/vemlo/vemlo.ini", "/h/.local/share/vemlo/"},
      {"relative xdg is ignored", "/h", "cfg", "./data", "", "/h/.config/vemlo/vemlo.ini", "/h/.local/share/vemlo/"},
      {"no HOME: the password database", nullptr, nullptr, nullptr, "/var/lib/v", "/var/lib/v/.config/vemlo/vemlo.ini",
       "/var/lib/v/.local/share/vemlo/"},
      {"relative HOME: the password database", "home", nullptr, nullptr, "/p", "/p/.config/vemlo/vemlo.ini",
       "/p/.local/share/vemlo/"},
      {"home is the root", "/", nullptr, nullptr, "", "/.config/vemlo/vemlo.ini", "/.local/share/vemlo/"},
      {"no home at all", nullptr, nullptr, nullptr, "", "", ""},
      {"no home, xdg set", nullptr, "/c", "/d", "", "/c/vemlo/vemlo.ini", "/d/vemlo/"},
  };
  for (const FolderCase& c : cases) {
    const UserFolders folders = ResolveUserFolders(c.home, c.xdgConfig, c.xdgData, c.passwdHome);
    EXPECT_EQ(DefaultConfigFile(folders), c.configFile) << "[" << c.name << "]";
    EXPECT_EQ(DefaultArchiveFolder(folders), c.archive) << "[" << c.name << "]";
  }
}

TEST(CollectorPaths, FolderOfPath) {
  const std::pair<std::string, std::string> cases[] = {
      {"/a/b/c.ini", "/a/b"}, {"/c.ini", "/"}, {"c.ini", "."}, {"a/c.ini", "a"}};
  for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOfPath(path), folder) << "[" << path << "]";
}

TEST(CollectorPaths, OneLockFileForEverySpellingOfTheFile) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0700), 0);
  WriteBytes(dir / "real/vemlo.ini", "");
  ASSERT_EQ(::symlink((dir / "real").c_str(), (dir / "linked").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "real/vemlo.ini").c_str(), (dir / "file-link.ini").c_str()), 0);
  char* resolved = ::realpath(dir.Path().c_str(), nullptr);
  const std::string realDir = resolved;
  ::free(resolved);
  const std::string expected = realDir + "/real/vemlo.ini.lock";
  const std::string spellings[] = {dir / "real/vemlo.ini", dir / "linked/vemlo.ini", dir / "real/../real/vemlo.ini",
                                   dir / "file-link.ini"};
  for (const std::string& spelling : spellings) EXPECT_EQ(LockFileFor(spelling), expected) << "[" << spelling << "]";
  // A file not made yet: its folder is resolved.
  EXPECT_EQ(LockFileFor(dir / "linked/new.ini"), realDir + "/real/new.ini.lock");
  // Nowhere to resolve: the path as given.
  EXPECT_EQ(LockFileFor(dir / "missing/x.ini"), dir / "missing/x.ini.lock");
}

TEST(CollectorPaths, MakeFoldersMakesTheMissingOnesWithTheMode) {
  TempDir dir;
  const mode_t oldMask = ::umask(0);
  const int made = MakeFolders(dir / "a/b/c", 0700);
  ::umask(oldMask);
  EXPECT_EQ(made, 0);
  struct stat st;
  for (const char* folder : {"a", "a/b", "a/b/c"}) {
    ASSERT_EQ(::stat((dir / folder).c_str(), &st), 0) << "[" << folder << "]";
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << "[" << folder << "]";
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "[" << folder << "]";
  }
  EXPECT_EQ(MakeFolders(dir / "a/b", 0700), 0) << "an existing folder";
  WriteBytes(dir / "file", "");
  EXPECT_EQ(MakeFolders(dir / "file", 0700), ENOTDIR);
  EXPECT_EQ(MakeFolders(dir / "file/sub", 0700), ENOTDIR);
}

}  // namespace
}  // namespace vemlo
