#pragma once
// When two log lines are the same line: they are equal without regard to
// letter case. A keyer turns a line into bytes that are equal exactly when
// the lines are, so duplicates can be found through a hash index.
#include <string>
#include <string_view>

#include "util/dbcs.h"

namespace vemlo {

class LineKeyer {
 public:
  virtual ~LineKeyer() = default;
  // Writes the key of line into out (reusing its storage).
  virtual void Key(std::string_view line, std::string& out) const = 0;
};

// ASCII letters folded to upper case, and in Shift-JIS text the full-width
// Latin letters as well; other bytes, trail bytes included, stay as they are.
class FoldingKeyer : public LineKeyer {
 public:
  explicit FoldingKeyer(const Dbcs& dbcs) : dbcs_(dbcs) {}
  void Key(std::string_view line, std::string& out) const override;

 private:
  Dbcs dbcs_;
};

// The system's comparison: on Windows the user locale's case-insensitive
// comparison (CompareStringA with NORM_IGNORECASE, through its sort keys);
// elsewhere FoldingKeyer over Shift-JIS, the routers' code page.
const LineKeyer& SystemLineKeyer();

}  // namespace vemlo
