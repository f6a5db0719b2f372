#include "linux/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace vemlo {

InstanceLock::Result InstanceLock::Take(const std::string& path) {
  // The lock file is never removed: removing it would let a third copy lock
  // a new file while the first still holds the old one.
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) {
    error_ = errno;
    return Result::kFailed;
  }
  int rc;
  do rc = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    error_ = errno;
    return errno == EWOULDBLOCK ? Result::kHeldElsewhere : Result::kFailed;
  }
  fd_ = std::move(fd);
  return Result::kTaken;
}

}  // namespace vemlo
