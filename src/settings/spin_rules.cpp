#include "settings/spin_rules.h"

#include <climits>

namespace vemlo {

std::optional<long> ParseSpinNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const int digit = text[i] - '0';
    value = value > (LONG_MAX - digit) / 10 ? LONG_MAX : value * 10 + digit;
  }
  return negative ? -value : value;
}

long SpinValue(std::string_view text, SpinRange range) { return ParseSpinNumber(text).value_or(range.min); }

std::string SpinStep(std::string_view text, long delta, SpinRange range) {
  long value = SpinValue(text, range);
  if (delta > 0 && value > LONG_MAX - delta)
    value = LONG_MAX;
  else if (delta < 0 && value < LONG_MIN - delta)
    value = LONG_MIN;
  else
    value += delta;
  if (value < range.min) value = range.min;
  if (value > range.max) value = range.max;
  return std::to_string(value);
}

std::optional<std::string> SpinClampOnLeave(std::string_view text, SpinRange range) {
  const std::optional<long> value = ParseSpinNumber(text);
  if (!value) return std::nullopt;
  if (*value < range.min) return std::to_string(range.min);
  if (*value > range.max) return std::to_string(range.max);
  return std::nullopt;
}

}  // namespace vemlo
