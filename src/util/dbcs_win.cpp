#include <windows.h>

#include "util/dbcs.h"

namespace vemlo {

Dbcs SystemDbcs() {
  return Dbcs::From([](unsigned char b) { return IsDBCSLeadByte(b) != FALSE; });
}

}  // namespace vemlo
