#include "util/dbcs.h"

namespace vemlo {

Dbcs Dbcs::SingleByte() { return Dbcs(); }

Dbcs Dbcs::ShiftJis() {
  return From([](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); });
}

size_t Dbcs::LastOf(std::string_view text, std::string_view chars) const {
  size_t found = std::string_view::npos;
  // Walk from the start: only a forward walk knows which bytes are trail bytes.
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    if (chars.find(text[i]) != std::string_view::npos) found = i;
  }
  return found;
}

bool Dbcs::EndsWith(std::string_view text, char c) const {
  return !text.empty() && LastOf(text, std::string_view(&c, 1)) == text.size() - 1;
}

}  // namespace vemlo
