#pragma once
// One collector per settings file: an exclusive flock on a lock file, held
// for the life of the process and released by the system however it ends.
#include <string>

#include "util/posix_io.h"

namespace vemlo {

class InstanceLock {
 public:
  enum class Result { kTaken, kHeldElsewhere, kFailed };

  // Opens (creating it with mode 0600) and locks path without waiting.
  // kFailed leaves the errno in error().
  Result Take(const std::string& path);
  int error() const { return error_; }

 private:
  UniqueFd fd_;
  int error_ = 0;
};

}  // namespace vemlo
