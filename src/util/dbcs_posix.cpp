#include "util/dbcs.h"

namespace vemlo {

// Linux file names are UTF-8, where no byte of a multi-byte character is ASCII.
Dbcs SystemDbcs() { return Dbcs::SingleByte(); }
bool SystemCodePageIsDoubleByte() { return false; }

}  // namespace vemlo
