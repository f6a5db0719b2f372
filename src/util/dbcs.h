#pragma once
// Byte strings in a double-byte code page: a byte that follows a lead byte is
// part of the same character, so a trailing 0x5C of "ソ" is no backslash.
#include <array>
#include <cstddef>
#include <string_view>

namespace vemlo {

class Dbcs {
 public:
  static Dbcs SingleByte();
  static Dbcs ShiftJis();  // code page 932
  template <typename IsLead>
  static Dbcs From(IsLead isLead) {
    Dbcs d;
    for (int b = 0; b < 256; ++b) d.lead_[b] = isLead(static_cast<unsigned char>(b));
    return d;
  }

  bool IsLead(unsigned char b) const { return lead_[b]; }

  // Index of the last character of text that is one of the single-byte
  // characters in chars, or npos.
  size_t LastOf(std::string_view text, std::string_view chars) const;
  // Whether the last character of text is the single-byte character c.
  bool EndsWith(std::string_view text, char c) const;

 private:
  Dbcs() : lead_{} {}
  std::array<bool, 256> lead_;
};

// The rule of the code page the system uses for file names.
Dbcs SystemDbcs();
// Whether the system's ANSI code page is a double-byte one (932 and the like).
bool SystemCodePageIsDoubleByte();

}  // namespace vemlo
