// The Windows file layer on real files under Wine: another program holding a
// day file, and the replace that never leaves a day file half written.
#include <windows.h>

#include <gtest/gtest.h>

#include "collect/cycle.h"
#include "support/test_support.h"
#include "util/error.h"
#include "util/file_system.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

using test::ErrorOf;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

UniqueFile Hold(const std::string& path, DWORD share) {
  return UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

TEST(WinFileSystem, AHeldDayFileIsNotReplacedAndKeepsItsBytes) {
  TempDir dir;
  const std::string path = dir / "20240131.log";
  WriteBytes(path, "old\r\n");
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    UniqueFile holder = Hold(path, share);
    ASSERT_TRUE(holder) << share;
    EXPECT_EQ(ErrorOf([&] { SystemFileSystem().ReplaceFile(path, "new\r\n"); }),
              "ファイル " + path + " を作成できません")
        << share;
    holder.Reset();
    EXPECT_EQ(ReadBytes(path), "old\r\n") << share;
    EXPECT_FALSE(test::Exists(path + ".tmp")) << share;
  }
  SystemFileSystem().ReplaceFile(path, "new\r\n");
  EXPECT_EQ(ReadBytes(path), "new\r\n");
}

TEST(WinFileSystem, ADayFileHeldWithoutSharingCannotBeRead) {
  TempDir dir;
  const std::string path = dir / "20240131.log";
  WriteBytes(path, "x\r\n");
  {
    UniqueFile holder = Hold(path, 0);
    EXPECT_EQ(ErrorOf([&] { SystemFileSystem().ReadFile(path, 1000); }), "ファイル " + path + " は開けません");
  }
  UniqueFile reader = Hold(path, FILE_SHARE_READ);
  EXPECT_EQ(SystemFileSystem().ReadFile(path, 1000), "x\r\n");
}

TEST(WinFileSystem, ACycleOnAHeldDayFileFailsAndLosesNothing) {
  TempDir dir;
  CollectState state;
  Collector collector(SystemFileSystem(), SystemLineKeyer());
  const std::string folder = dir.Path();
  auto run = [&](ResponseLines page) {
    return ErrorOf([&] { collector.RunCycle(state, [&] { return page; }, [&] { return folder; }); });
  };
  ASSERT_EQ(run({"2024/01/31 a"}), "(no error)");
  const std::string path = dir / "2024/20240131.log";
  {
    UniqueFile holder = Hold(path, FILE_SHARE_READ);
    EXPECT_EQ(run({"2024/01/31 b"}), "ファイル " + path + " を作成できません");
  }
  EXPECT_EQ(ReadBytes(path), "2024/01/31 a\r\n");
  ASSERT_EQ(run({"2024/01/31 b"}), "(no error)");
  EXPECT_EQ(ReadBytes(path), "2024/01/31 a\r\n2024/01/31 b\r\n");
}

TEST(WinFileSystem, PriorityIsIdleAfterEveryCycle) {
  Collector collector(SystemFileSystem(), SystemLineKeyer());
  CollectState state;
  DWORD during = 0;
  ErrorOf([&] {
    collector.RunCycle(
        state,
        [&]() -> ResponseLines {
          during = ::GetPriorityClass(::GetCurrentProcess());
          throw Error("fetch failed");
        },
        [] { return std::string(); });
  });
  EXPECT_EQ(during, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
}

}  // namespace
}  // namespace vemlo
