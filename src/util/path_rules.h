#pragma once
// How the system spells paths.
#include <cstddef>
#include <string>
#include <string_view>

#include "util/dbcs.h"

namespace vemlo {

// Windows: "\" with drive colons, and a folder text shorter than three bytes
// ("C:\") counts as a root. POSIX: "/" only.
struct PathRules {
  char separator;
  bool driveColon;
  size_t shortestFolder;
  Dbcs dbcs;

  static PathRules Windows(const Dbcs& dbcs) { return {'\\', true, 3, dbcs}; }
  static PathRules Posix() { return {'/', false, 1, Dbcs::SingleByte()}; }

  std::string_view Delimiters() const { return driveColon ? std::string_view("\\:") : std::string_view("/"); }
  // text with a separator appended unless its last character is one.
  std::string WithSeparator(std::string text) const;
};

}  // namespace vemlo
