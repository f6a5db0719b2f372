#include "util/report_text.h"

namespace vemlo {

std::string ReportText(const std::string& message, const Dbcs& dbcs) {
  if (message.empty()) return message;
  // Find where the last character starts: only a forward walk knows.
  size_t last = 0;
  for (size_t i = 0; i < message.size(); ++i) {
    last = i;
    if (dbcs.IsLead(static_cast<unsigned char>(message[i])) && i + 1 < message.size()) ++i;
  }
  const bool doubleByte = last + 1 < message.size();
  if (doubleByte || static_cast<unsigned char>(message[last]) > '.') return message + ".";
  return message;
}

}  // namespace vemlo
