#pragma once
// An INI file's bytes in memory, read and edited by the rules of the Windows
// profile functions, so that a system without them reads and writes the same
// settings file:
// - Lines end at CR, LF or CR LF. Blanks (space, tab, VT, FF, ^Z) around a
//   line, a name or a value do not count. Blank lines are ignored.
// - "[name]" starts a section; the name is what lies between "[" and the last
//   "]", without blanks; anything after that "]" is ignored. A line with "["
//   but no "]" is an ordinary line. Lines before the first section form the
//   section with the empty name.
// - Any other line is a key: the name before the first "=", the value after
//   it. A line without "=" is a key without a value: reading it gives nothing,
//   writing it gives it one. Comment lines (";...") are keys like any other.
// - Section and key names compare without regard to ASCII letter case, and
//   only single-byte characters fold, so the trail byte of a double-byte
//   character is never taken for a letter.
// - Only the first section of a name and its first key of a name count.
// - A value in matching double or single quotes reads without them, and a
//   value reads as at most kMaxIniValueBytes bytes, never ending in half a
//   double-byte character.
// - A line is split into name and value on all its bytes, but a NUL byte ends
//   the name or value it falls in, as it ends a C string.
// Writing changes the bytes of one line or adds lines, and keeps every other
// byte of the file as it was. New lines end in CR LF.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "util/dbcs.h"

namespace vemlo {

// What GetPrivateProfileStringA gives back into a 2048-byte buffer.
inline constexpr size_t kMaxIniValueBytes = 2047;

class IniText {
 public:
  explicit IniText(std::string bytes = {}, const Dbcs& dbcs = Dbcs::SingleByte())
      : bytes_(std::move(bytes)), dbcs_(dbcs) {}

  const std::string& Bytes() const { return bytes_; }

  // The key's value, or nothing when the section, the key or its "=" is
  // missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Gives the key this value (its leading blanks dropped; a line break in it
  // goes into the file as it is, as with the system's own functions): the
  // first such key of the section changes in place; a new key goes after the
  // last non-blank line of the section; a new section goes at the end of the
  // file, with no blank line before it.
  void Set(std::string_view section, std::string_view key, std::string_view value);

 private:
  struct Found;
  Found Find(std::string_view section, std::string_view key) const;

  std::string bytes_;
  Dbcs dbcs_;
};

}  // namespace vemlo
