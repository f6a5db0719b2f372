// The collector's log: time stamps, and the throttle that lets each message
// out once an hour.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "linux/log.h"

namespace vemlo {
namespace {

using std::chrono::minutes;
using Clock = ReportThrottle::Clock;

TEST(CollectorLog, TimeStampIsLocalTime) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  EXPECT_EQ(TimeStamp(0), "1970-01-01 00:00:00");
  EXPECT_EQ(TimeStamp(1706745599), "2024-01-31 23:59:59");
  ::setenv("TZ", "JST-9", 1);
  ::tzset();
  EXPECT_EQ(TimeStamp(1706745599), "2024-02-01 08:59:59");
  ::unsetenv("TZ");
  ::tzset();
}

// One event of a run: a failure with its message or a success, at a minute.
struct Event {
  int minute;
  const char* failure;  // nullptr: the cycle succeeded
};

struct ReportCase {
  const char* name;
  std::vector<Event> events;
  std::vector<std::string> lines;
};

TEST(CollectorLog, EachMessageOnceAnHour) {
  const ReportCase cases[] = {
      {"router down all night: one line an hour, with the count held back",
       {{0, "down"}, {10, "down"}, {20, "down"}, {59, "down"}, {60, "down"}, {70, "down"}, {130, "down"}},
       {"down", "down (3 more since the last report)", "down (1 more since the last report)"}},
      {"distinct messages each have their own hour",
       {{0, "HTTP 401 Unauthorized"}, {1, "Could not send"}, {2, "HTTP 401 Unauthorized"}, {3, "Could not send"}},
       {"HTTP 401 Unauthorized", "Could not send"}},
      {"the first success after failures says so, later ones do not",
       {{0, "down"}, {10, nullptr}, {20, nullptr}, {30, "down"}, {40, nullptr}},
       {"down", "the cycle succeeded again"}},
      {"successes alone say nothing", {{0, nullptr}, {10, nullptr}}, {}},
      {"a message gone for over an hour is new again",
       {{0, "a"}, {5, "b"}, {100, "b"}, {101, "a"}},
       {"a", "b", "b", "a"}},
      {"messages that differ only in their numbers are one",
       {{0, "Failed to connect to 10.0.0.1 port 80 after 3001 ms"},
        {10, "Failed to connect to 10.0.0.1 port 80 after 2999 ms"},
        {60, "Failed to connect to 10.0.0.1 port 80 after 12 ms"},
        {61, "Failed to connect to 10.0.0.1 port 80: refused"}},
       {"Failed to connect to 10.0.0.1 port 80 after 3001 ms",
        "Failed to connect to 10.0.0.1 port 80 after 12 ms (1 more since the last report)",
        "Failed to connect to 10.0.0.1 port 80: refused"}},
  };
  for (const ReportCase& c : cases) {
    std::vector<std::string> lines;
    CycleReporter reporter(minutes(60), [&](const std::string& line) { lines.push_back(line); });
    const Clock::time_point start = Clock::now();
    for (const Event& e : c.events) {
      if (e.failure)
        reporter.Failed(e.failure, start + minutes(e.minute));
      else
        reporter.Succeeded(start + minutes(e.minute));
    }
    EXPECT_EQ(lines, c.lines) << "[" << c.name << "]";
  }
}

}  // namespace
}  // namespace vemlo
