#pragma once
// The user-visible texts, as byte strings in the build's character set.

namespace vemlo::texts {

#define VEMLO_TEXT(name, literal) inline constexpr const char name[] = literal;
#include "util/texts.def"
#undef VEMLO_TEXT

}  // namespace vemlo::texts
