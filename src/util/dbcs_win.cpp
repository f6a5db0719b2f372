#include <windows.h>

#include "util/dbcs.h"

namespace vemlo {

Dbcs SystemDbcs() {
  return Dbcs::From([](unsigned char b) { return IsDBCSLeadByte(b) != FALSE; });
}

bool SystemCodePageIsDoubleByte() {
  CPINFO info = {};
  return ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

}  // namespace vemlo
