// When the collector's cycles fall due, and the test-only minute.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "linux/schedule.h"

namespace vemlo {
namespace {

using std::chrono::milliseconds;
using Clock = Schedule::Clock;

// One step of a run: a cycle that ended at `at`, or a re-timing to a period.
struct Step {
  enum { kCycleDone, kRetime } what;
  long at;      // ms after start
  long period;  // kRetime only
  long dueAt;   // expected, ms after start
};

struct ScheduleCase {
  const char* name;
  long period;
  bool runAtStart;
  long firstDue;
  std::vector<Step> steps;
};

TEST(CollectorSchedule, CyclesComeOnePeriodApart) {
  const ScheduleCase cases[] = {
      {"first cycle one period after start",
       600,
       false,
       600,
       {{Step::kCycleDone, 650, 0, 1200}, {Step::kCycleDone, 1210, 0, 1800}}},
      {"--now: one at start too", 600, true, 0, {{Step::kCycleDone, 20, 0, 600}, {Step::kCycleDone, 630, 0, 1200}}},
      {"an overrun cycle is followed by one at once, not by two",
       100,
       false,
       100,
       {{Step::kCycleDone, 350, 0, 350}, {Step::kCycleDone, 360, 0, 450}}},
      {"a new period counts from the re-timing",
       600,
       false,
       600,
       {{Step::kRetime, 200, 1000, 1200}, {Step::kCycleDone, 1250, 0, 2200}}},
      {"the same period keeps the countdown", 600, false, 600, {{Step::kRetime, 200, 600, 600}}},
  };
  const Clock::time_point start = Clock::now();
  auto at = [&](long ms) { return start + milliseconds(ms); };
  for (const ScheduleCase& c : cases) {
    Schedule schedule(start, milliseconds(c.period), c.runAtStart);
    EXPECT_EQ(schedule.DueAt(), at(c.firstDue)) << "[" << c.name << "] first";
    for (const Step& step : c.steps) {
      if (step.what == Step::kCycleDone)
        schedule.CycleDone(at(step.at));
      else
        schedule.Retime(at(step.at), milliseconds(step.period));
      EXPECT_EQ(schedule.DueAt(), at(step.dueAt)) << "[" << c.name << "] after the step at " << step.at;
    }
  }
}

TEST(CollectorSchedule, TimeLeftIsRoundedUpAndNeverNegative) {
  const Clock::time_point start = Clock::now();
  Schedule schedule(start, milliseconds(1000), false);
  EXPECT_FALSE(schedule.Due(start + milliseconds(999)));
  EXPECT_EQ(schedule.Left(start), milliseconds(1000));
  EXPECT_EQ(schedule.Left(start + std::chrono::microseconds(999500)), milliseconds(1));
  EXPECT_TRUE(schedule.Due(start + milliseconds(1000)));
  EXPECT_EQ(schedule.Left(start + milliseconds(1000)), milliseconds(0));
  EXPECT_EQ(schedule.Left(start + milliseconds(5000)), milliseconds(0));
}

TEST(CollectorSchedule, TestMinuteOnlyFromAPlainNumber) {
  const std::pair<const char*, long> cases[] = {
      {nullptr, 60000}, {"250", 250},  {"1", 1},       {"60000", 60000}, {"0", 60000},           {"60001", 60000},
      {"", 60000},      {"-5", 60000}, {"5ms", 60000}, {" 5", 60000},    {"99999999999", 60000}, {"0x10", 60000},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(MinuteLength(text).count(), expected) << "[" << (text ? text : "unset") << "]";
}

}  // namespace
}  // namespace vemlo
