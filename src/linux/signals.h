#pragma once
// The collector's signals. SIGTERM, SIGINT and SIGHUP are blocked for the
// whole run (in every thread started later too) and taken only by Wait, so a
// signal that comes during a cycle waits for the cycle's end and never cuts
// a fetch or a save short. SIGPIPE is ignored.
#include <signal.h>

#include <chrono>

namespace vemlo {

enum class SignalEvent { kTimeout, kStop, kReload };

class SignalWaiter {
 public:
  SignalWaiter();
  ~SignalWaiter();  // restores the mask and the SIGPIPE action it found
  SignalWaiter(const SignalWaiter&) = delete;
  SignalWaiter& operator=(const SignalWaiter&) = delete;

  // Sleeps until one of the signals is pending or timeout has passed: one
  // blocking call, no wake-up in between. A signal already pending returns
  // at once. signalNumber gets the signal taken (0 on a timeout).
  SignalEvent Wait(std::chrono::milliseconds timeout, int& signalNumber);

 private:
  sigset_t previousMask_;
  struct sigaction previousPipeAction_;
};

// "SIGTERM", "SIGINT", "SIGHUP" (the signal's name for the log).
const char* SignalName(int signalNumber);

}  // namespace vemlo
