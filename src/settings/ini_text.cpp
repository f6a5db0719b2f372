#include "settings/ini_text.h"

namespace vemlo {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Blanks are below 0x40, so no trail byte of a double-byte character is one
// and the end can be trimmed without walking the characters.
std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// The profile functions split a line on all its bytes but keep its names and
// its value as C strings, which end at a NUL.
std::string_view CString(std::string_view s) { return s.substr(0, s.find('\0')); }

// A name as the profile functions take it: a C string, without blanks.
std::string QueryName(std::string_view name) { return std::string(Trim(CString(name))); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameName(std::string_view a, std::string_view b, const Dbcs& dbcs) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (dbcs.IsLead(static_cast<unsigned char>(a[i]))) {
      if (a[i] != b[i]) return false;
      if (++i < a.size() && a[i] != b[i]) return false;
      continue;
    }
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::string_view CutToReadLimit(std::string_view v, const Dbcs& dbcs) {
  if (v.size() <= kMaxIniValueBytes) return v;
  size_t i = 0;
  while (i < v.size()) {
    const size_t n = dbcs.IsLead(static_cast<unsigned char>(v[i])) && i + 1 < v.size() ? 2 : 1;
    if (i + n > kMaxIniValueBytes) break;
    i += n;
  }
  return v.substr(0, i);
}

// One line of the file, as offsets into its bytes.
struct Line {
  size_t begin;  // first byte of its text
  size_t end;    // end of its text, before the line break
  size_t next;   // start of the next line; end when there is no line break
};

Line LineAt(std::string_view bytes, size_t pos) {
  const size_t end = bytes.find_first_of("\r\n", pos);
  if (end == npos) return {pos, bytes.size(), bytes.size()};
  size_t next = end + 1;
  if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
  return {pos, end, next};
}

enum class Kind { kBlank, kSection, kKey };

struct Parsed {
  Kind kind = Kind::kBlank;
  std::string_view name;
  size_t valueAt = npos;  // keys: the byte after "=", npos when there is none
  std::string_view value;
  size_t nameEnd = 0;  // keys without "=": the byte after the name
};

Parsed Parse(std::string_view bytes, const Line& line, const Dbcs& dbcs) {
  size_t begin = line.begin;
  if (begin == 0 && bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) begin = kUtf8Bom.size();
  const std::string_view text = bytes.substr(begin, line.end - begin);
  const std::string_view trimmed = Trim(text);
  const size_t start = begin + static_cast<size_t>(trimmed.data() - text.data());
  Parsed p;
  if (trimmed.empty()) return p;
  if (trimmed.front() == '[') {
    const size_t close = dbcs.LastOf(trimmed, "]");
    if (close != npos) {
      p.kind = Kind::kSection;
      p.name = CString(Trim(trimmed.substr(1, close - 1)));
      return p;
    }
  }
  p.kind = Kind::kKey;
  // "=" (0x3D) is never the trail byte of a double-byte character.
  const size_t eq = trimmed.find('=');
  if (eq == npos) {
    p.name = CString(trimmed);
    p.nameEnd = start + trimmed.size();
    return p;
  }
  p.name = CString(TrimRight(trimmed.substr(0, eq)));
  p.valueAt = start + eq + 1;
  p.value = CString(TrimLeft(trimmed.substr(eq + 1)));
  return p;
}

}  // namespace

struct IniText::Found {
  bool section = false;
  size_t insertAt = 0;            // where a new key of the section goes
  bool insertAfterBreak = false;  // the line before insertAt lacks its line break
  bool key = false;
  Line line = {0, 0, 0};
  Parsed parsed;
};

IniText::Found IniText::Find(std::string_view section, std::string_view key) const {
  Found f;
  // The lines before the first section header are the section "".
  bool inside = section.empty();
  f.section = inside;
  if (inside && std::string_view(bytes_).substr(0, kUtf8Bom.size()) == kUtf8Bom) f.insertAt = kUtf8Bom.size();
  for (size_t pos = 0; pos < bytes_.size();) {
    const Line line = LineAt(bytes_, pos);
    pos = line.next;
    const Parsed p = Parse(bytes_, line, dbcs_);
    if (p.kind == Kind::kBlank) continue;
    if (p.kind == Kind::kSection) {
      if (inside) break;
      if (!SameName(p.name, section, dbcs_)) continue;
      inside = f.section = true;
    } else if (!inside) {
      continue;
    } else if (SameName(p.name, key, dbcs_)) {
      f.key = true;
      f.line = line;
      f.parsed = p;
      return f;
    }
    f.insertAt = line.next;
    f.insertAfterBreak = line.next == line.end;
  }
  return f;
}

std::optional<std::string> IniText::Get(std::string_view section, std::string_view key) const {
  const Found f = Find(QueryName(section), QueryName(key));
  if (!f.key || f.parsed.valueAt == npos) return std::nullopt;
  return std::string(CutToReadLimit(Unquote(f.parsed.value), dbcs_));
}

void IniText::Set(std::string_view sectionName, std::string_view keyName, std::string_view valueText) {
  const std::string section = QueryName(sectionName);
  const std::string key = QueryName(keyName);
  std::string value(valueText.substr(0, valueText.find('\0')));
  value.erase(0, value.find_first_not_of(" \t\v\f\x1a\r\n"));

  const Found f = Find(section, key);
  if (f.key) {
    if (f.parsed.valueAt != npos)
      bytes_.replace(f.parsed.valueAt, f.line.end - f.parsed.valueAt, value);
    else
      bytes_.replace(f.parsed.nameEnd, f.line.end - f.parsed.nameEnd, "=" + value);
    return;
  }
  std::string line = key + "=" + value + "\r\n";
  if (f.section) {
    if (f.insertAfterBreak) line.insert(0, "\r\n");
    bytes_.insert(f.insertAt, line);
    return;
  }
  if (!bytes_.empty() && bytes_.back() != '\r' && bytes_.back() != '\n') bytes_ += "\r\n";
  bytes_ += "[" + section + "]\r\n" + line;
}

}  // namespace vemlo
