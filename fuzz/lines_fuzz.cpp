// Line splitting of day files and router pages: the same lines as the rules
// read the plainest way, no break byte inside a line, and the archive's CR LF
// form splitting back into the same lines, as the day list reads it too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/day_list.h"
#include "collect/line_key.h"
#include "collect/lines.h"
#include "fuzz/check.h"

namespace {

using vemlo::fuzz::Check;

// The rules as a rewrite: the text up to its first NUL; every CR LF, then
// every lone CR, is a line break; a final break ends the last line and opens
// no new one.
std::vector<std::string> PlainSplit(std::string_view text) {
  std::string t(text.substr(0, text.find('\0')));
  std::string breaks;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') continue;  // the LF stands for both
    breaks += t[i] == '\r' ? '\n' : t[i];
  }
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < breaks.size()) {
    const size_t end = breaks.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(breaks.substr(start));
      break;
    }
    lines.push_back(breaks.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = vemlo::SplitLines(text);
  Check(lines == PlainSplit(text), "SplitLines follows the line rules");
  for (const std::string& line : lines)
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "no CR, LF or NUL in a line");

  const std::string joined = vemlo::JoinLines(lines);
  Check(vemlo::SplitLines(joined) == lines, "lines joined with CR LF split back into the same lines");
  size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 2;
  Check(joined.size() == bytes, "JoinLines adds exactly CR LF per line");

  // A day file read into the day list is written back as the joined lines.
  vemlo::DayList day(vemlo::SystemLineKeyer());
  day.AssignFileBytes(text);
  Check(day.Count() == lines.size(), "the day list holds every line of the file");
  Check(day.FileBytes() == joined, "the day list writes back the lines it read");
  for (size_t i = 0; i < lines.size(); ++i) Check(day.Line(i) == lines[i], "the day list keeps each line");
  return 0;
}
