#pragma once
// The process keeps to idle priority except while a cycle runs: this owner
// raises it to normal for its lifetime and drops it to idle again on every
// path, error paths included.
namespace vemlo {

class CyclePriority {
 public:
  CyclePriority();
  ~CyclePriority();
  CyclePriority(const CyclePriority&) = delete;
  CyclePriority& operator=(const CyclePriority&) = delete;
};

// Drops the process to idle priority (at start).
void SetIdlePriority();

}  // namespace vemlo
