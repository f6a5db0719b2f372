#include <windows.h>

#include "util/login_name.h"

namespace vemlo {

std::string GetLoginUserName() {
  // One byte more than the size given, so the name always ends in a NUL.
  char name[257] = "";
  DWORD size = 256;
  if (!::GetUserNameA(name, &size)) return std::string();
  return name;
}

}  // namespace vemlo
