// The INI reader and writer on any file bytes, with the single-byte rule and
// Shift-JIS. A read gives at most the read limit and never a line break or a
// NUL. A write changes what it writes and nothing else: every other section
// and key that the file's lines name reads as before (or stays missing), and
// a value that the file format can hold reads back as written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "settings/ini_text.h"

namespace {

using vemlo::fuzz::Check;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }
bool HasBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }
bool HasNul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

std::string Trimmed(std::string_view s) {
  s = s.substr(0, s.find('\0'));
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

// Folds more than the reader does (every ASCII letter, trail bytes too), so
// two names it keeps apart are surely different names.
std::string Folded(std::string_view s) {
  std::string out = Trimmed(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// Whether text ends on a character boundary, not in a lone lead byte.
bool EndsWhole(std::string_view text, const vemlo::Dbcs& dbcs) {
  size_t i = 0;
  while (i < text.size()) i += dbcs.IsLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return i == text.size();
}

// The values that read back exactly as written. A NUL would end the value, a
// CR or LF the line; blanks at either end do not count on reading; a pair of
// matching quotes around it is taken off; past the read limit it is cut.
bool ValueReadsBack(std::string_view v) {
  if (HasNul(v) || HasBreak(v) || v.size() > vemlo::kMaxIniValueBytes) return false;
  if (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back()))) return false;
  return !(v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}

// Names whose line reads back as that section and key. A line break in a
// name would split its line; a key starting with "[" may read as a section
// header, one with "=" ends at it, one starting with the UTF-8 byte order
// mark loses it at the start of the file; under Shift-JIS a section name
// ending in a lead byte turns its "]" into a trail byte.
bool NamesReadBack(std::string_view section, std::string_view key, const vemlo::Dbcs& dbcs) {
  const std::string s = Trimmed(section), k = Trimmed(key);
  if (HasBreak(s) || HasBreak(k)) return false;
  if (k.find('=') != std::string::npos || (!k.empty() && k[0] == '[') || k.rfind("\xEF\xBB\xBF", 0) == 0) return false;
  return EndsWhole(s, dbcs);
}

// Sections and keys the file's lines name, plus the ones of the write.
void CollectNames(std::string_view bytes, std::vector<std::string>& sections, std::vector<std::string>& keys) {
  size_t pos = 0;
  while (pos < bytes.size() && sections.size() < 8 && keys.size() < 8) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    const size_t open = line.find('['), close = line.rfind(']');
    if (open != std::string_view::npos && close != std::string_view::npos && open < close)
      sections.emplace_back(line.substr(open + 1, close - open - 1));
    else if (line.find('=') != std::string_view::npos)
      keys.emplace_back(line.substr(0, line.find('=')));
    else if (!line.empty())
      keys.emplace_back(line);
  }
}

void CheckRead(const std::optional<std::string>& value) {
  if (!value) return;
  Check(value->size() <= vemlo::kMaxIniValueBytes, "a read keeps to the read limit");
  Check(!HasBreak(*value) && !HasNul(*value), "a read value holds no line break and no NUL");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const vemlo::Dbcs dbcs = in.ConsumeBool() ? vemlo::Dbcs::ShiftJis() : vemlo::Dbcs::SingleByte();
  const std::string section = in.ConsumeRandomLengthString(40);
  const std::string key = in.ConsumeRandomLengthString(40);
  const std::string value =
      in.ConsumeBool() ? std::string(2040 + in.ConsumeIntegralInRange(0, 12), 'v') : in.ConsumeRandomLengthString(100);
  vemlo::IniText ini(in.ConsumeRemainingBytesAsString(), dbcs);

  std::vector<std::string> sections = {"", section}, keys = {key};
  CollectNames(ini.Bytes(), sections, keys);
  std::vector<std::optional<std::string>> before;
  for (const auto& s : sections)
    for (const auto& k : keys) {
      before.push_back(ini.Get(s, k));
      CheckRead(before.back());
    }

  ini.Set(section, key, value);
  const std::optional<std::string> got = ini.Get(section, key);
  CheckRead(got);
  if (ValueReadsBack(value) && NamesReadBack(section, key, dbcs)) Check(got == value, "a value written reads back");

  // A line break in a written name or value makes lines of its own.
  if (HasBreak(Trimmed(section)) || HasBreak(Trimmed(key)) || HasBreak(value.substr(0, value.find('\0')))) return 0;
  if (!NamesReadBack(section, key, dbcs)) return 0;
  size_t i = 0;
  for (const auto& s : sections)
    for (const auto& k : keys) {
      const bool same = Folded(s) == Folded(section) && Folded(k) == Folded(key);
      if (!same) Check(ini.Get(s, k) == before[i], "a write leaves every other key as it read");
      ++i;
    }
  return 0;
}
