#include "linux/signals.h"

#include <cerrno>
#include <ctime>

namespace vemlo {
namespace {

sigset_t HandledSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

SignalWaiter::SignalWaiter() {
  const sigset_t set = HandledSignals();
  pthread_sigmask(SIG_BLOCK, &set, &previousMask_);
  // Writing to a closed pipe (standard error of a vanished reader) is an
  // error to ignore, not the end of the collector.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &previousPipeAction_);
}

SignalWaiter::~SignalWaiter() {
  sigaction(SIGPIPE, &previousPipeAction_, nullptr);
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

SignalEvent SignalWaiter::Wait(std::chrono::milliseconds timeout, int& signalNumber) {
  using Clock = std::chrono::steady_clock;
  const sigset_t set = HandledSignals();
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
    const long long nanoseconds = left.count() > 0 ? left.count() : 0;
    timespec wait = {static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
    siginfo_t info;
    const int taken = sigtimedwait(&set, &info, &wait);
    if (taken > 0) {
      signalNumber = taken;
      return taken == SIGHUP ? SignalEvent::kReload : SignalEvent::kStop;
    }
    // EINTR: a stop and continue (a debugger, strace attaching); the rest
    // of the time is waited for.
    if (errno == EINTR && nanoseconds > 0) continue;
    signalNumber = 0;
    return SignalEvent::kTimeout;
  }
}

const char* SignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace vemlo
