#include <gtest/gtest.h>

#include <set>

#include "collect/folder.h"
#include "util/error.h"

namespace vemlo {
namespace {

// Folders only: records what was created, refuses what it is told to.
class FolderFake : public FileSystem {
 public:
  explicit FolderFake(PathRules rules, std::set<std::string> existing, std::set<std::string> refused = {})
      : rules_(rules), folders_(std::move(existing)), refused_(std::move(refused)) {}
  PathRules Rules() const override { return rules_; }
  bool IsFile(const std::string&) override { return false; }
  bool IsFolder(const std::string& path) override { return folders_.count(path) != 0; }
  bool MakeFolder(const std::string& path) override {
    made.push_back(path);
    if (refused_.count(path)) return false;
    folders_.insert(path);
    return true;
  }
  std::string ReadFile(const std::string&, size_t) override { return ""; }
  void ReplaceFile(const std::string&, std::string_view) override {}
  std::vector<std::string> made;

 private:
  PathRules rules_;
  std::set<std::string> folders_, refused_;
};

const PathRules kWin = PathRules::Windows(Dbcs::ShiftJis());

TEST(FolderOf, CutsAtTheLastSeparatorButKeepsRoots) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"C:\\Log\\2024\\20240131.log", "C:\\Log\\2024"},
      {"C:\\x.log", "C:\\"},
      {"C:x.log", "C:"},
      {"\\2024\\x.log", "\\2024"},
      {"\\x.log", "\\"},
      {"C:\\Log\\\\.log", "C:\\Log\\\\"},
      {"x.log", ""},
      {"C:\\\x83\x5c" "x.log", "C:\\"},  // the trail byte of "ソ" is no separator
  };
  for (const auto& c : cases) EXPECT_EQ(FolderOf(c.path, kWin), c.folder) << "[" << c.path << "]";
}

TEST(MakeFolderExist, CreatesMissingParentsFirst) {
  FolderFake fs(kWin, {"C:\\"});
  EXPECT_TRUE(MakeFolderExist("C:\\Log\\2024", fs));
  EXPECT_EQ(fs.made, (std::vector<std::string>{"C:\\Log", "C:\\Log\\2024"}));
}

TEST(MakeFolderExist, LeavesExistingFoldersAndRootsAlone) {
  for (const char* folder : {"C:\\Log\\2024", "C:\\Log\\2024\\", "C:\\", "C:", "\\", "ab"}) {
    FolderFake fs(kWin, {"C:\\Log\\2024"});
    EXPECT_TRUE(MakeFolderExist(folder, fs)) << folder;
    EXPECT_TRUE(fs.made.empty()) << folder;
  }
}

TEST(MakeFolderExist, EmptyTextAndAMissingRelativeTopAreErrors) {
  for (const char* folder : {"", "Log\\2024"}) {
    FolderFake fs(kWin, {});
    try {
      MakeFolderExist(folder, fs);
      ADD_FAILURE() << "no error for [" << folder << "]";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "ディレクトリを作成することができません") << folder;
    }
    EXPECT_TRUE(fs.made.empty()) << folder;
  }
}

TEST(MakeFolderExist, AFailedParentStopsItsChildrenSilently) {
  FolderFake fs(kWin, {"C:\\"}, {"C:\\Log"});
  EXPECT_FALSE(MakeFolderExist("C:\\Log\\2024", fs));
  EXPECT_EQ(fs.made, std::vector<std::string>{"C:\\Log"});
}

TEST(MakeFolderExist, PosixPaths) {
  FolderFake fs(PathRules::Posix(), {"/srv"});
  EXPECT_TRUE(MakeFolderExist(FolderOf("/srv/log/2024/20240131.log", PathRules::Posix()), fs));
  EXPECT_EQ(fs.made, (std::vector<std::string>{"/srv/log", "/srv/log/2024"}));
}

}  // namespace
}  // namespace vemlo
