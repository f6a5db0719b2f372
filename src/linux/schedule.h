#pragma once
// When the next cycle is due. Cycles come one period apart, the first one
// period after start (or at start as well, with --now). A cycle that takes
// longer than its period is followed by one more at once, never by a pile of
// them, as the window timer's ticks do not add up on Windows.
#include <chrono>

namespace vemlo {

class Schedule {
 public:
  using Clock = std::chrono::steady_clock;

  Schedule(Clock::time_point start, Clock::duration period, bool runAtStart)
      : period_(period), due_(runAtStart ? start : start + period) {}

  bool Due(Clock::time_point now) const { return now >= due_; }
  // Time until the next cycle, rounded up to whole milliseconds; 0 when due.
  std::chrono::milliseconds Left(Clock::time_point now) const;
  // After a cycle that ended at now.
  void CycleDone(Clock::time_point now);
  // A new period starts the countdown again from now, as re-timing the
  // Windows timer does; the same period leaves the countdown running.
  void Retime(Clock::time_point now, Clock::duration period);

  Clock::duration Period() const { return period_; }
  Clock::time_point DueAt() const { return due_; }

 private:
  Clock::duration period_;
  Clock::time_point due_;
};

inline constexpr std::chrono::milliseconds kRealMinute(60000);

// The length of one minute of IntervalTime: a real minute, or for tests
// only the value of VEMLO_TEST_MINUTE_MS in milliseconds when it is a whole
// number from 1 to 60000 (testValue is that variable, nullptr when unset).
std::chrono::milliseconds MinuteLength(const char* testValue);

}  // namespace vemlo
