// The collector's settings: the Windows settings file read at a Linux path,
// made with the defaults when missing, and the notices of the start.
#include "linux/collector_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

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

TEST(CollectorSettings, MissingFileIsMadeWithTheDefaults) {
  TempDir dir;
  const std::string file = dir / "vemlo.ini";
  const SettingsValues defaults = CollectorDefaults("/home/taro/.local/share/vemlo/");
  const mode_t oldMask = ::umask(0);
  const LoadedSettings loaded = LoadCollectorSettings({file, "taro"}, defaults);
  ::umask(oldMask);
  EXPECT_EQ(ReadBytes(file),
            "[taro]\r\nSetupTop=0\r\nSetupLeft=0\r\nAtermUserName=admin\r\nAtermPassword=\r\n"
            "LOGURI=http://aterm.me/system.log\r\nSaveFolder=/home/taro/.local/share/vemlo/\r\nIntervalTime=10\r\n");
  EXPECT_EQ(ModeOf(file), 0600u);
  EXPECT_FALSE(OthersMayRead(file));
  EXPECT_EQ(loaded.values.saveFolder, "/home/taro/.local/share/vemlo/");
  EXPECT_EQ(loaded.values.interval, "10");
  ASSERT_EQ(loaded.notices.size(), 1u);
  EXPECT_EQ(loaded.notices[0].rfind("created " + file + " with the default settings", 0), 0u) << loaded.notices[0];
  // The second start reads what the first one made, and says nothing.
  EXPECT_EQ(LoadCollectorSettings({file, "taro"}, defaults).notices, std::vector<std::string>());
}

TEST(CollectorSettings, FileThatCannotBeMadeIsAnError) {
  TempDir dir;
  const std::string file = dir / "missing/vemlo.ini";
  EXPECT_EQ(ErrorOf([&] {
              LoadCollectorSettings({file, "taro"}, CollectorDefaults("/a/"));
            }),
            "vemlo: cannot create the settings file " + file);
}

// A file as the Windows program leaves it: CR LF, other users' sections, the
// window's position, keys in any case, an empty value that empties a field.
TEST(CollectorSettings, WindowsFileWorksAsItStands) {
  TempDir dir;
  const std::string file = dir / "vemlo.ini";
  const std::string windowsFile =
      "[hanako]\r\nAtermPassword=other\r\nSaveFolder=D:\\logs\\\r\n"
      "[taro]\r\nSetupTop=120\r\nSetupLeft=-8\r\nAtermUserName=root\r\nATERMPASSWORD=p\x83\x5Cw\r\n"
      "LOGURI=http://192.168.0.1/system.log\r\nSaveFolder=/srv/log\r\nIntervalTime=abc\r\n";
  WriteBytes(file, windowsFile);
  const LoadedSettings loaded = LoadCollectorSettings({file, "taro"}, CollectorDefaults("/default/"));
  EXPECT_EQ(loaded.values.user, "root");
  EXPECT_EQ(loaded.values.password, "p\x83\x5Cw");
  EXPECT_EQ(loaded.values.logAddress, "http://192.168.0.1/system.log");
  EXPECT_EQ(loaded.values.saveFolder, "/srv/log");
  EXPECT_EQ(IntervalMinutes(loaded.values), 1) << "a text that is not a number";
  EXPECT_EQ(loaded.notices, std::vector<std::string>());
  EXPECT_EQ(ReadBytes(file), windowsFile) << "reading changed the file";
}

struct NoticeCase {
  const char* name;
  std::string content;
  std::vector<std::string> notices;  // with FILE for the file's path
};

TEST(CollectorSettings, NoticesOfTheStart) {
  const NoticeCase cases[] = {
      {"good file", "[taro]\r\nSaveFolder=/srv/log/\r\n", {}},
      {"only other users",
       "[hanako]\r\nAtermPassword=x\r\n",
       {"warning: FILE holds no settings in section [taro]; the defaults are used"}},
      {"own section with other keys only",
       "[taro]\r\nSetupWidth=5\r\n",
       {"warning: FILE holds no settings in section [taro]; the defaults are used"}},
      {"empty file", "", {"warning: FILE holds no settings in section [taro]; the defaults are used"}},
      {"Windows folder",
       "[taro]\r\nSaveFolder=C:\\Program Files\\Vemlo\\\r\n",
       {"warning: SaveFolder \"C:\\Program Files\\Vemlo\\\" is a Windows path; set a Linux folder in FILE"}},
  };
  for (const NoticeCase& c : cases) {
    TempDir dir;
    const std::string file = dir / "vemlo.ini";
    WriteBytes(file, c.content);
    std::vector<std::string> expected;
    for (std::string notice : c.notices) {
      for (size_t at; (at = notice.find("FILE")) != std::string::npos;) notice.replace(at, 4, file);
      expected.push_back(notice);
    }
    EXPECT_EQ(LoadCollectorSettings({file, "taro"}, CollectorDefaults("/d/")).notices, expected)
        << "[" << c.name << "]";
  }
}

TEST(CollectorSettings, WhatLooksLikeAWindowsPath) {
  const std::pair<const char*, bool> cases[] = {
      {"C:\\Log\\", true}, {"c:/log", true},     {"Z:", true},     {"\\\\nas\\share", true},
      {"log\\2024", true}, {"/srv/log/", false}, {"log", false},   {"", false},
      {"/mnt/c:", false},  {"1:/x", false},      {"ab:/x", false}, {"./C:", false},
  };
  for (const auto& [folder, windows] : cases) EXPECT_EQ(LooksLikeWindowsPath(folder), windows) << "[" << folder << "]";
}

TEST(CollectorSettings, IntervalMinutesFollowTheWindowsRules) {
  const std::pair<const char*, long> cases[] = {{"10", 10},  {"1", 1}, {"99", 99}, {"0", 1},  {"-5", 1},
                                                {"100", 99}, {"", 1},  {"x", 1},   {"5x", 1}, {"99999999999999", 99}};
  for (const auto& [text, minutes] : cases) {
    SettingsValues values;
    values.interval = text;
    EXPECT_EQ(IntervalMinutes(values), minutes) << "[" << text << "]";
  }
}

TEST(CollectorSettings, ReadableByOthers) {
  TempDir dir;
  const std::string file = dir / "vemlo.ini";
  WriteBytes(file, "");
  const std::pair<mode_t, bool> cases[] = {{0600, false}, {0640, true}, {0604, true}, {0620, false}, {0400, false}};
  for (const auto& [mode, readable] : cases) {
    ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    EXPECT_EQ(OthersMayRead(file), readable) << "[" << std::oct << mode << "]";
  }
  EXPECT_FALSE(OthersMayRead(dir / "missing"));
}

}  // namespace
}  // namespace vemlo
