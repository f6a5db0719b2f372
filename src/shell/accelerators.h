#pragma once
// Automatic menu accelerators: every item gets a keyboard character.
#include <string>
#include <vector>

#include "util/dbcs.h"

namespace vemlo {

inline constexpr char kSeparatorCaption[] = "-";
inline constexpr char kAcceleratorChars[] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The accelerator character of a caption ("&X", upper-cased), or 0.
char AcceleratorOf(const std::string& caption, const Dbcs& dbcs);

// Gives every caption (separators "-" excepted) an accelerator, in menu order:
// captions that have one claim it, and a later caption with a claimed one
// loses its "&"; a caption without one takes its first character (double-byte
// characters skipped) from kAcceleratorChars that is still free. With a
// double-byte code page, a caption holding a double-byte character gets it
// appended as "(&X)" (before a final "..."), or the last free character when
// none of its own is usable; otherwise "&" goes before the chosen character.
void AssignAccelerators(std::vector<std::string>& captions, const Dbcs& dbcs, bool doubleByteCodePage);

}  // namespace vemlo
