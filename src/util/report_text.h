#pragma once
// The text of an error report: the message, with "." added when it is not
// empty and its last character sorts after "." (byte 0x2E); a double-byte
// last character always does. So "TIE: Invalid URL. Error - 5 = " ends in a
// blank and gets no full stop.
#include <string>

#include "util/dbcs.h"

namespace vemlo {

std::string ReportText(const std::string& message, const Dbcs& dbcs);

}  // namespace vemlo
