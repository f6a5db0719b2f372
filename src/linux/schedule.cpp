#include "linux/schedule.h"

#include <string_view>

namespace vemlo {

std::chrono::milliseconds Schedule::Left(Clock::time_point now) const {
  if (Due(now)) return std::chrono::milliseconds(0);
  return std::chrono::ceil<std::chrono::milliseconds>(due_ - now);
}

void Schedule::CycleDone(Clock::time_point now) {
  due_ += period_;
  if (due_ < now) due_ = now;
}

void Schedule::Retime(Clock::time_point now, Clock::duration period) {
  if (period == period_) return;
  period_ = period;
  due_ = now + period;
}

std::chrono::milliseconds MinuteLength(const char* testValue) {
  if (!testValue) return kRealMinute;
  const std::string_view text(testValue);
  if (text.empty() || text.size() > 5) return kRealMinute;
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return kRealMinute;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= kRealMinute.count() ? std::chrono::milliseconds(value) : kRealMinute;
}

}  // namespace vemlo
