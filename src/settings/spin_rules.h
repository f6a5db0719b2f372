#pragma once
// What the numbers of a spin edit mean: its value is its text read as an
// integer (decimal digits with an optional sign); any other text counts as
// the minimum.
#include <optional>
#include <string>
#include <string_view>

namespace vemlo {

struct SpinRange {
  long min;
  long max;
};

// The text as an integer, or nothing when it is not one. Numbers too large
// for a long saturate instead of overflowing.
std::optional<long> ParseSpinNumber(std::string_view text);

long SpinValue(std::string_view text, SpinRange range);

// The text an arrow step puts into the field: value + delta within the range.
std::string SpinStep(std::string_view text, long delta, SpinRange range);

// The text the field gets when it loses the focus: a number outside the range
// becomes the nearer bound; anything else stays (nothing returned).
std::optional<std::string> SpinClampOnLeave(std::string_view text, SpinRange range);

}  // namespace vemlo
