#include <pwd.h>
#include <unistd.h>

#include "util/login_name.h"

namespace vemlo {

std::string GetLoginUserName() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry && entry->pw_name ? entry->pw_name : std::string();
}

}  // namespace vemlo
