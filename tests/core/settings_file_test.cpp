// The settings file: its place and section, the number rules, and saves and
// loads through the system's profile on real files.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "util/error.h"
#include "util/module_path.h"

namespace vemlo {
namespace {

using test::ErrorOf;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct PathCase {
  const char* name;
  std::string executable;
  bool windows;
  std::string settingsFile;
  std::string section;  // when the login name is empty
  std::string folder;
};

TEST(SettingsPlace, FileSectionAndFolderFollowTheExecutable) {
  const PathCase cases[] = {
      {"usual", "C:\\Program Files\\Vemlo\\vemlo.exe", true, "C:\\Program Files\\Vemlo\\vemlo.ini", "vemlo.exe",
       "C:\\Program Files\\Vemlo\\"},
      {"no extension", "C:\\tools\\vemlo", true, "C:\\tools\\vemlo.ini", "vemlo", "C:\\tools\\"},
      {"dot in a folder name", "C:\\v1.2\\vemlo", true, "C:\\v1.2\\vemlo.ini", "vemlo", "C:\\v1.2\\"},
      {"two dots", "C:\\x\\vemlo.old.EXE", true, "C:\\x\\vemlo.old.ini", "vemlo.old.EXE", "C:\\x\\"},
      {"name ending in a dot", "C:\\x\\vemlo.", true, "C:\\x\\vemlo.ini", "vemlo.", "C:\\x\\"},
      {"drive without folder", "C:vemlo.exe", true, "C:vemlo.ini", "vemlo.exe", "C:"},
      // "ソ" is 0x83 0x5C: its second byte is no backslash.
      {"double-byte name", "C:\\a\\x.y\x83\x5C", true, "C:\\a\\x.ini", "x.y\x83\x5C", "C:\\a\\"},
      {"double-byte folder", "C:\\\x83\x5C\x83\x74\x83\x67\\vemlo.exe", true, "C:\\\x83\x5C\x83\x74\x83\x67\\vemlo.ini",
       "vemlo.exe", "C:\\\x83\x5C\x83\x74\x83\x67\\"},
      {"posix", "/opt/vemlo/bin/vemlo", false, "/opt/vemlo/bin/vemlo.ini", "vemlo", "/opt/vemlo/bin/"},
      {"posix dot folder", "/home/u/.local/vemlo", false, "/home/u/.local/vemlo.ini", "vemlo", "/home/u/.local/"},
      {"posix extension", "/srv/vemlo.bin", false, "/srv/vemlo.ini", "vemlo.bin", "/srv/"},
      {"posix backslash is a letter", "/srv/a\\b.c", false, "/srv/a\\b.ini", "a\\b.c", "/srv/"},
  };
  for (const PathCase& c : cases) {
    const PathRules rules = c.windows ? PathRules::Windows(Dbcs::ShiftJis()) : PathRules::Posix();
    EXPECT_EQ(SettingsFilePath(c.executable, rules), c.settingsFile) << "[" << c.name << "]";
    EXPECT_EQ(SettingsSection("", c.executable, rules), c.section) << "[" << c.name << "]";
    EXPECT_EQ(SettingsSection("taro", c.executable, rules), "taro") << "[" << c.name << "]";
    EXPECT_EQ(DefaultSaveFolder(c.executable, rules), c.folder) << "[" << c.name << "]";
    EXPECT_EQ(DefaultSettings(c.executable, rules).saveFolder, c.folder) << "[" << c.name << "]";
  }
  EXPECT_EQ(HelpFilePath("C:\\x.y\\vemlo.exe", PathRules::Windows(Dbcs::ShiftJis())), "C:\\x.y\\vemlo.pdf");
}

TEST(SettingsPlace, DefaultsOfTheFields) {
  const SettingsValues v = DefaultSettings("C:\\Vemlo\\vemlo.exe", PathRules::Windows(Dbcs::ShiftJis()));
  EXPECT_EQ(v.top, 0);
  EXPECT_EQ(v.left, 0);
  EXPECT_EQ(v.user, "admin");
  EXPECT_EQ(v.password, "");
  EXPECT_EQ(v.logAddress, "http://aterm.me/system.log");
  EXPECT_EQ(v.saveFolder, "C:\\Vemlo\\");
  EXPECT_EQ(v.interval, "10");
}

TEST(SettingsPlace, ExecutablePathNamesThisTestProgram) {
  const std::string path = ExecutablePath();
  const PathRules rules = SystemFileSystem().Rules();
  const std::string folder = DefaultSaveFolder(path, rules);
  EXPECT_FALSE(folder.empty()) << path;
  EXPECT_EQ(path.substr(folder.size(), 10), "core_tests") << path;
  EXPECT_TRUE(SystemFileSystem().IsFile(path)) << path;
}

TEST(SettingsNumbers, StoredIntegers) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"12", 12},
      {"-5", -5},
      {"+3", 3},
      {"007", 7},
      {"0x1F", 31},
      {"0X1f", 31},
      {"0x0", 0},
      {"0x7FFFFFFF", INT_MAX},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      // Malformed or out of range: the default.
      {"0x", 42},
      {"0x1G", 42},
      {"", 42},
      {" 7", 42},
      {"7 ", 42},
      {"-", 42},
      {"+", 42},
      {"1.5", 42},
      {"-0x5", 42},
      {"0x-5", 42},
      {"0x80000000", 42},
      {"2147483648", 42},
      {"-2147483649", 42},
      {"99999999999999999999", 42},
      {"0x99999999999999999999", 42},
  };
  for (const auto& c : cases) EXPECT_EQ(ProfileInteger(c.text, 42), c.expected) << "[" << c.text << "]";
}

TEST(SettingsNumbers, IntervalRules) {
  const struct {
    const char* text;
    long value;
    unsigned milliseconds;
  } cases[] = {
      {"10", 10, 600000},
      {"1", 1, 60000},
      {"99", 99, 5940000},
      {"0", 0, 60000},
      {"150", 150, 5940000},
      {"-5", -5, 60000},
      {"+3", 3, 180000},
      {"", 1, 60000},
      {"-", 1, 60000},
      {"1.", 1, 60000},
      {"abc", 1, 60000},
      {"0x10", 1, 60000},
      {"99999999999999999999", LONG_MAX, 5940000},
      {"-99999999999999999999", -LONG_MAX, 60000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IntervalValue(c.text), c.value) << "[" << c.text << "]";
    EXPECT_EQ(IntervalMilliseconds(c.text), c.milliseconds) << "[" << c.text << "]";
  }
}

SettingsValues Sample() {
  SettingsValues v;
  v.top = -12;
  v.left = 34;
  v.user = "admin";
  v.password = "pa=ss;\"w\"";
  v.logAddress = "http://aterm.me/system.log";
  v.saveFolder = "C:\\\x83\x5C\x83\x74\x83\x67\\";
  v.interval = "0";
  return v;
}

const char kSampleKeys[] =
    "SetupTop=-12\r\nSetupLeft=34\r\nAtermUserName=admin\r\nAtermPassword=pa=ss;\"w\"\r\n"
    "LOGURI=http://aterm.me/system.log\r\nSaveFolder=C:\\\x83\x5C\x83\x74\x83\x67\\\r\nIntervalTime=0\r\n";

std::string Show(const std::optional<std::string>& v) { return v ? "\"" + *v + "\"" : "(absent)"; }

TEST(SettingsFile, FirstSaveMakesOneSectionWithTheSevenKeysInOrder) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini";
  FileProfile profile(path);
  SaveSettings(profile, "taro", Sample());
  EXPECT_EQ(ReadBytes(path), std::string("[taro]\r\n") + kSampleKeys);
}

TEST(SettingsFile, SaveKeepsOtherSectionsAndKeys) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini";
  const std::string hanako = "[hanako]\r\nSetupTop=5\r\nAtermPassword=hers\r\n";
  const std::string zz = "[zz]\r\nk=v\r\n";
  WriteBytes(path, hanako + "[TARO]\r\nSetupWidth=300\r\natermusername=old\r\n" + zz);
  FileProfile profile(path);
  SaveSettings(profile, "taro", Sample());
  // The own section's keys change where they stand and the rest come at its
  // end, after the size key no one reads.
  EXPECT_EQ(ReadBytes(path), hanako +
                                 "[TARO]\r\nSetupWidth=300\r\natermusername=admin\r\nSetupTop=-12\r\nSetupLeft=34\r\n"
                                 "AtermPassword=pa=ss;\"w\"\r\nLOGURI=http://aterm.me/system.log\r\n"
                                 "SaveFolder=C:\\\x83\x5C\x83\x74\x83\x67\\\r\nIntervalTime=0\r\n" +
                                 zz);
}

TEST(SettingsFile, LoadReadsOnlyTheOwnSection) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini";
  WriteBytes(path,
             "[hanako]\r\nSetupTop=5\r\nAtermUserName=hers\r\nSaveFolder=D:\\\r\n"
             "[taro]\r\nSetupTop=0x20\r\nSetupLeft=left\r\nAtermPassword=secret\r\nSaveFolder=\r\n"
             "IntervalTime=ten\r\n");
  FileProfile profile(path);
  SettingsValues v = DefaultSettings("C:\\Vemlo\\vemlo.exe", PathRules::Windows(Dbcs::ShiftJis()));
  v.left = 99;
  LoadSettings(profile, "taro", v);
  EXPECT_EQ(v.top, 32);
  EXPECT_EQ(v.left, 0);  // not a number
  EXPECT_EQ(v.user, "admin");
  EXPECT_EQ(v.password, "secret");
  EXPECT_EQ(v.logAddress, "http://aterm.me/system.log");
  EXPECT_EQ(v.saveFolder, "");  // present and empty
  EXPECT_EQ(v.interval, "ten");
}

TEST(SettingsFile, LoadWithoutFileKeepsTheDefaultsAndPutsTheWindowAtTheCorner) {
  TempDir dir;
  FileProfile profile(dir / "vemlo.ini");
  SettingsValues v = Sample();
  LoadSettings(profile, "taro", v);
  SettingsValues expected = Sample();
  expected.top = expected.left = 0;
  EXPECT_EQ(v.top, expected.top);
  EXPECT_EQ(v.left, expected.left);
  EXPECT_EQ(v.user + "|" + v.password + "|" + v.logAddress + "|" + v.saveFolder + "|" + v.interval,
            expected.user + "|" + expected.password + "|" + expected.logAddress + "|" + expected.saveFolder + "|" +
                expected.interval);
  EXPECT_FALSE(test::Exists(dir / "vemlo.ini"));
}

TEST(SettingsFile, SavedSettingsLoadBack) {
  TempDir dir;
  FileProfile profile(dir / "vemlo.ini");
  SaveSettings(profile, "hanako", DefaultSettings("C:\\other.exe", PathRules::Windows(Dbcs::ShiftJis())));
  SaveSettings(profile, "taro", Sample());
  SettingsValues v;
  LoadSettings(profile, "TARO", v);
  const SettingsValues s = Sample();
  EXPECT_EQ(v.top, s.top);
  EXPECT_EQ(v.left, s.left);
  EXPECT_EQ(v.user, s.user);
  EXPECT_EQ(v.password, s.password);
  EXPECT_EQ(v.logAddress, s.logAddress);
  EXPECT_EQ(v.saveFolder, s.saveFolder);
  EXPECT_EQ(v.interval, s.interval);
}

// A file that cannot be written. The read-only attribute or mode does not
// stop root, which the tests run as on Linux and which Wine maps Windows
// users to, so these places fail for everyone: a folder that does not exist,
// and a "folder" that is a file.
TEST(SettingsFile, UnwritableFileFailsWithItsPathAndWritesNothing) {
  TempDir dir;
  WriteBytes(dir / "plain", "x");
  const std::string paths[] = {dir / "missing/vemlo.ini", dir / "plain/vemlo.ini"};
  for (const std::string& path : paths) {
    FileProfile profile(path);
    EXPECT_EQ(ErrorOf([&] { SaveSettings(profile, "taro", Sample()); }), path + " に書き込めません") << path;
    EXPECT_FALSE(test::Exists(path)) << path;
    EXPECT_EQ(Show(profile.Read("taro", "SetupTop")), "(absent)") << path;
  }
  EXPECT_EQ(ReadBytes(dir / "plain"), "x");
  EXPECT_EQ(test::ListFiles(dir.Path()), std::vector<std::string>{"plain"});
}

// Records the writes and fails the one numbered failAt.
class FailingProfile : public Profile {
 public:
  explicit FailingProfile(int failAt) : failAt_(failAt) {}
  std::optional<std::string> Read(const std::string&, const std::string&) override { return std::nullopt; }
  void Write(const std::string& section, const std::string& key, const std::string& value) override {
    if (static_cast<int>(written.size()) + 1 == failAt_) Fail("write " + key + " failed");
    written.push_back(section + "/" + key + "=" + value);
  }
  std::vector<std::string> written;

 private:
  int failAt_;
};

TEST(SettingsFile, SaveStopsAtTheFirstFailedWrite) {
  const std::vector<std::string> all = {
      "taro/SetupTop=-12",
      "taro/SetupLeft=34",
      "taro/AtermUserName=admin",
      "taro/AtermPassword=pa=ss;\"w\"",
      "taro/LOGURI=http://aterm.me/system.log",
      "taro/SaveFolder=C:\\\x83\x5C\x83\x74\x83\x67\\",
      "taro/IntervalTime=0",
  };
  const char* keys[] = {"SetupTop", "SetupLeft",  "AtermUserName", "AtermPassword",
                        "LOGURI",   "SaveFolder", "IntervalTime"};
  for (int failAt = 1; failAt <= 8; ++failAt) {
    FailingProfile profile(failAt);
    const std::string error = ErrorOf([&] { SaveSettings(profile, "taro", Sample()); });
    const size_t done = static_cast<size_t>(failAt - 1 < 7 ? failAt - 1 : 7);
    EXPECT_EQ(profile.written, std::vector<std::string>(all.begin(), all.begin() + done))
        << "[fail at " << failAt << "]";
    EXPECT_EQ(error, failAt <= 7 ? "write " + std::string(keys[failAt - 1]) + " failed" : "(no error)")
        << "[fail at " << failAt << "]";
  }
}

}  // namespace
}  // namespace vemlo
