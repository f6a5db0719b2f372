#include "util/path_rules.h"

namespace vemlo {

std::string PathRules::WithSeparator(std::string text) const {
  if (!dbcs.EndsWith(text, separator)) text += separator;
  return text;
}

}  // namespace vemlo
