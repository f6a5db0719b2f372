// The Windows profile layer, the login name and the executable's path on a
// real system: absent keys told from present ones, failed writes reported.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "settings/profile.h"
#include "settings/settings_file.h"
#include "support/test_support.h"
#include "util/error.h"
#include "util/login_name.h"
#include "util/module_path.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

using test::ErrorOf;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string Show(const std::optional<std::string>& v) { return v ? "\"" + *v + "\"" : "(absent)"; }

TEST(WinProfile, ReadTellsAbsentFromPresent) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini";
  FileProfile missing(path);
  EXPECT_EQ(Show(missing.Read("u", "k")), "(absent)");
  // Values equal to the defaults the reading passes must still be present.
  WriteBytes(path,
             std::string("[u]\r\nempty=\r\nnoeq\r\na=") + kAbsentProbeA + "\r\nb=" + kAbsentProbeB + "\r\nk=1\r\n");
  FileProfile profile(path);
  const struct {
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  } cases[] = {
      {"u", "empty", ""},          {"u", "a", kAbsentProbeA},   {"u", "b", kAbsentProbeB}, {"U", "K", "1"},
      {"u", "noeq", std::nullopt}, {"u", "none", std::nullopt}, {"v", "k", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Show(profile.Read(c.section, c.key)), Show(c.expected)) << "[" << c.section << "/" << c.key << "]";
}

TEST(WinProfile, ValuesReadBackCutTo2047Bytes) {
  TempDir dir;
  FileProfile profile(dir / "vemlo.ini");
  profile.Write("u", "k", std::string(3000, 'p'));
  EXPECT_EQ(Show(profile.Read("u", "k")), Show(std::string(2047, 'p')));
}

TEST(WinProfile, DoubleByteSectionNames) {
  TempDir dir;
  FileProfile profile(dir / "vemlo.ini");
  // "アリス" and "ヂリス": the same bytes but for a trail byte that would be a
  // letter case apart.
  profile.Write("\x83\x41\x83\x8A\x83\x58", "k", "1");
  profile.Write("\x83\x61\x83\x8A\x83\x58", "k", "2");
  EXPECT_EQ(Show(profile.Read("\x83\x41\x83\x8A\x83\x58", "k")), Show(std::string("1")));
  EXPECT_EQ(Show(profile.Read("\x83\x61\x83\x8A\x83\x58", "k")), Show(std::string("2")));
}

// Windows keeps the file from being written while a program holds it without
// sharing. (The read-only attribute would do as well on Windows, but Wine
// maps it to the Linux mode, which root, running these tests, ignores.)
TEST(WinProfile, FileHeldByAnotherProgramIsNotWritten) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini";
  const std::string before = "[hanako]\r\nSetupTop=5\r\n";
  WriteBytes(path, before);
  {
    UniqueFile holder(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    FileProfile profile(path);
    SettingsValues values;
    EXPECT_EQ(ErrorOf([&] { SaveSettings(profile, "taro", values); }), path + " に書き込めません");
  }
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(WinLoginName, IsTheUserWineRunsAs) {
  char expected[257] = "";
  ASSERT_GT(::GetEnvironmentVariableA("USERNAME", expected, sizeof expected), 0u);
  EXPECT_EQ(GetLoginUserName(), expected);
}

TEST(WinExecutablePath, IsTheFullPathOfThisProgram) {
  const std::string path = ExecutablePath();
  char full[MAX_PATH] = "";
  ASSERT_GT(::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr), 0u);
  EXPECT_EQ(path, full);
  EXPECT_EQ(path.substr(DefaultSaveFolder(path).size()), "win_tests.exe");
  EXPECT_EQ(SettingsFilePath(path), path.substr(0, path.size() - 4) + ".ini");
}

}  // namespace
}  // namespace vemlo
