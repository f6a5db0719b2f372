#include "collect/line_key.h"

namespace vemlo {

const LineKeyer& SystemLineKeyer() {
  static const FoldingKeyer keyer(Dbcs::ShiftJis());
  return keyer;
}

}  // namespace vemlo
