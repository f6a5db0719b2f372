#pragma once
// The name of the user running the program, which names their section of the
// settings file.
#include <string>

namespace vemlo {

// Windows: GetUserNameA. POSIX: the effective user's name. Empty when the
// system cannot tell.
std::string GetLoginUserName();

}  // namespace vemlo
