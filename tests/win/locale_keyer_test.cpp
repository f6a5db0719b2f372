// The system keyer must call two lines equal exactly when CompareStringA with
// NORM_IGNORECASE under the user's locale does.
#include <windows.h>

#include <gtest/gtest.h>

#include "collect/day_list.h"
#include "collect/line_key.h"

namespace vemlo {
namespace {

bool CompareEqual(const std::string& a, const std::string& b) {
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

TEST(SystemLineKeyer, RunsUnderCodePage932) { EXPECT_EQ(::GetACP(), 932u); }

TEST(SystemLineKeyer, AgreesWithCompareStringA) {
  const std::string lines[] = {
      "2024/01/31 PPP up", "2024/01/31 ppp UP", "2024/01/31 PPP up ", "co-op", "coop",
      "\x82\x60", "\x82\x81", "A", "a", "\x83\x5c", "\x83\x5c" "a", "\x83\x5c" "A",
      "a\x01" "b", "ab", "", "\x82\xa0", "\x83\x41", "\xb1", "Stra\xdf" "e",
  };
  const LineKeyer& keyer = SystemLineKeyer();
  std::string ka, kb;
  for (const auto& a : lines) {
    for (const auto& b : lines) {
      keyer.Key(a, ka);
      keyer.Key(b, kb);
      EXPECT_EQ(ka == kb, CompareEqual(a, b)) << "[" << a << "] vs [" << b << "]";
    }
  }
}

TEST(SystemLineKeyer, DrivesTheDayListIndex) {
  DayList day(SystemLineKeyer());
  EXPECT_TRUE(day.AddUnlessPresent("2024/01/31 \x82\x60" "bc"));
  EXPECT_FALSE(day.AddUnlessPresent("2024/01/31 \x82\x81" "BC"));
  EXPECT_TRUE(day.AddUnlessPresent("2024/01/31 Abc"));
}

}  // namespace
}  // namespace vemlo
