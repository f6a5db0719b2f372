#include <gtest/gtest.h>

#include <climits>

#include "settings/spin_rules.h"

namespace vemlo {
namespace {

constexpr SpinRange kRange = {1, 99};

TEST(SpinRules, ValueIsTheTextAsAnIntegerElseTheMinimum) {
  const struct {
    const char* text;
    long value;
  } cases[] = {
      {"10", 10}, {"+7", 7}, {"-3", -3}, {"150", 150}, {"007", 7}, {"", 1}, {"-", 1}, {"1.", 1},
      {" 5", 1},  {"5 ", 1}, {"x", 1},   {"99999999999999999999999", LONG_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(SpinValue(c.text, kRange), c.value) << "[" << c.text << "]";
}

TEST(SpinRules, StepsStayInTheRange) {
  const struct {
    const char* text;
    long delta;
    const char* result;
  } cases[] = {
      {"10", 1, "11"},  {"10", -1, "9"}, {"99", 1, "99"}, {"1", -1, "1"},   {"", 1, "2"},
      {"abc", -1, "1"}, {"150", -1, "99"}, {"0", 1, "1"}, {"-5", 1, "1"},
      {"99999999999999999999999", 1, "99"}, {"-99999999999999999999999", -1, "1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SpinStep(c.text, c.delta, kRange), c.result) << "[" << c.text << "] " << c.delta;
}

TEST(SpinRules, LeavingTheFieldPullsNumbersToTheNearerBound) {
  const struct {
    const char* text;
    const char* result;  // nullptr: the text stays
  } cases[] = {
      {"0", "1"}, {"-4", "1"}, {"100", "99"}, {"150", "99"}, {"50", nullptr}, {"1", nullptr},
      {"", nullptr}, {"x", nullptr}, {"1.", nullptr},
  };
  for (const auto& c : cases) {
    const auto result = SpinClampOnLeave(c.text, kRange);
    if (c.result)
      EXPECT_EQ(result.value_or("(unchanged)"), c.result) << "[" << c.text << "]";
    else
      EXPECT_FALSE(result.has_value()) << "[" << c.text << "] gave " << result.value_or("");
  }
}

}  // namespace
}  // namespace vemlo
