#pragma once
// The collector's log: lines on standard error, each with its local time
// stamp, and a throttle so that a router that stays down overnight gives one
// line per hour rather than one per cycle.
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <string>

namespace vemlo {

// "YYYY-MM-DD HH:MM:SS" in local time.
std::string TimeStamp(std::time_t when);

// "<time stamp> <text>\n" on standard error, in one write.
void LogLine(const std::string& text);

class ReportThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  explicit ReportThrottle(Clock::duration window) : window_(window) {}

  // Whether message is to be reported at now: the first time, and again
  // once window has passed since it was last reported. heldBack gets the
  // number of times it was held back in between. Messages that differ only
  // in their numbers count as one ("Failed to connect ... after 3001 ms"),
  // or a router that is down would still give a line per cycle.
  bool Admit(const std::string& message, Clock::time_point now, int& heldBack);

 private:
  struct Entry {
    Clock::time_point reported;
    int heldBack = 0;
  };
  Clock::duration window_;
  std::map<std::string, Entry> entries_;
};

// What the run loop says about its cycles: each failure's message, through
// the throttle, and the first success after a failure.
class CycleReporter {
 public:
  using Write = std::function<void(const std::string&)>;
  CycleReporter(ReportThrottle::Clock::duration window, Write write) : throttle_(window), write_(std::move(write)) {}

  void Failed(const std::string& message, ReportThrottle::Clock::time_point now);
  void Succeeded(ReportThrottle::Clock::time_point now);

 private:
  void Report(const std::string& message, ReportThrottle::Clock::time_point now);

  ReportThrottle throttle_;
  Write write_;
  bool failing_ = false;
};

}  // namespace vemlo
