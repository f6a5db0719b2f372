#include "linux/log.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "util/error.h"
#include "util/texts.h"

namespace vemlo {

std::string TimeStamp(std::time_t when) {
  std::tm local = {};
  localtime_r(&when, &local);
  char text[32];
  const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text, n);
}

void LogLine(const std::string& text) {
  const std::string bytes = TimeStamp(std::time(nullptr)) + " " + text + "\n";
  std::string_view left = bytes;
  while (!left.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, left.data(), left.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nowhere to report that the report failed
    left.remove_prefix(static_cast<size_t>(n));
  }
}

namespace {

// The message with every run of digits as one "#".
std::string ThrottleKey(const std::string& message) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::string key;
  for (size_t i = 0; i < message.size(); ++i) {
    if (!isDigit(message[i]))
      key += message[i];
    else if (i == 0 || !isDigit(message[i - 1]))
      key += '#';
  }
  return key;
}

}  // namespace

bool ReportThrottle::Admit(const std::string& message, Clock::time_point now, int& heldBack) {
  const std::string key = ThrottleKey(message);
  // Records past the window are dropped, so that they cannot pile up.
  for (auto it = entries_.begin(); it != entries_.end();)
    it = now - it->second.reported >= window_ && it->first != key ? entries_.erase(it) : std::next(it);
  auto [entry, isNew] = entries_.try_emplace(key);
  if (!isNew && now - entry->second.reported < window_) {
    ++entry->second.heldBack;
    return false;
  }
  heldBack = isNew ? 0 : entry->second.heldBack;
  entry->second.reported = now;
  entry->second.heldBack = 0;
  return true;
}

void CycleReporter::Report(const std::string& message, ReportThrottle::Clock::time_point now) {
  int heldBack = 0;
  if (!throttle_.Admit(message, now, heldBack)) return;
  write_(heldBack > 0 ? message + Format(texts::kHeldBack, heldBack) : message);
}

void CycleReporter::Failed(const std::string& message, ReportThrottle::Clock::time_point now) {
  failing_ = true;
  Report(message, now);
}

void CycleReporter::Succeeded(ReportThrottle::Clock::time_point now) {
  if (!failing_) return;
  failing_ = false;
  Report(texts::kCollectingAgain, now);
}

}  // namespace vemlo
