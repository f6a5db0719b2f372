#pragma once
// A file descriptor that closes itself.
#include <unistd.h>

#include "util/unique.h"

namespace vemlo {

struct FdTraits {
  static int Empty() { return -1; }
  static void Close(int fd) { ::close(fd); }
};
using UniqueFd = Unique<int, FdTraits>;

}  // namespace vemlo
