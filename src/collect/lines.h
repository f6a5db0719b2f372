#pragma once
// Splitting text into lines, the same for day files and for the router's page:
// the bytes up to the first NUL, cut at CR, LF or CR LF; after a line one CR
// and then one LF are skipped, so LF CR yields an empty line after it; a final
// line break yields no empty last line.
#include <string>
#include <string_view>
#include <vector>

namespace vemlo {

template <typename Sink>
void ForEachLine(std::string_view text, Sink&& sink) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  size_t pos = 0;
  while (pos < text.size()) {
    // A plain loop: find_first_of tests each byte against the set one by one.
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    sink(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by CR LF, as the archive stores it.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace vemlo
