// One collector per settings file, and the signals that reach it only in its
// wait between cycles.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "linux/instance_lock.h"
#include "linux/signals.h"
#include "support/test_support.h"

namespace vemlo {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using test::TempDir;

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  const std::string path = dir / "vemlo.ini.lock";
  {
    InstanceLock first;
    ASSERT_EQ(first.Take(path), InstanceLock::Result::kTaken);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // flock belongs to the open file: a second open, even in this process,
    // is another holder.
    InstanceLock second;
    EXPECT_EQ(second.Take(path), InstanceLock::Result::kHeldElsewhere);
    // And so is another process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      InstanceLock other;
      ::_exit(other.Take(path) == InstanceLock::Result::kHeldElsewhere ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process took the lock";
  }
  InstanceLock after;
  EXPECT_EQ(after.Take(path), InstanceLock::Result::kTaken) << "the lock outlived its holder";
}

TEST(InstanceLock, MissingFolderIsAFailureWithItsErrno) {
  TempDir dir;
  InstanceLock lock;
  EXPECT_EQ(lock.Take(dir / "missing/vemlo.ini.lock"), InstanceLock::Result::kFailed);
  EXPECT_EQ(lock.error(), ENOENT);
}

TEST(SignalWaiter, TimeoutIsOneWaitOfTheWholeTime) {
  SignalWaiter waiter;
  int signalNumber = -1;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(waiter.Wait(milliseconds(150), signalNumber), SignalEvent::kTimeout);
  EXPECT_GE(Clock::now() - start, milliseconds(150));
  EXPECT_EQ(signalNumber, 0);
  EXPECT_EQ(waiter.Wait(milliseconds(0), signalNumber), SignalEvent::kTimeout) << "nothing pending";
}

// A signal sent while no wait runs (during a cycle) stays pending and is
// what the next wait returns at once; the process does not end on it.
TEST(SignalWaiter, SignalsWaitForTheNextWait) {
  struct Case {
    int signal;
    SignalEvent event;
  };
  const Case cases[] = {{SIGTERM, SignalEvent::kStop}, {SIGINT, SignalEvent::kStop}, {SIGHUP, SignalEvent::kReload}};
  SignalWaiter waiter;
  for (const Case& c : cases) {
    ASSERT_EQ(::kill(::getpid(), c.signal), 0);
    int signalNumber = 0;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(waiter.Wait(milliseconds(5000), signalNumber), c.event) << "[" << SignalName(c.signal) << "]";
    EXPECT_EQ(signalNumber, c.signal) << "[" << SignalName(c.signal) << "]";
    EXPECT_LT(Clock::now() - start, milliseconds(1000)) << "[" << SignalName(c.signal) << "]";
  }
}

TEST(SignalWaiter, SignalFromOutsideEndsTheWaitAndThreadsLaterStartedBlockIt) {
  SignalWaiter waiter;
  // A thread started after the waiter (as libcurl's resolver is) must not
  // take the signal itself: with the default action that would end the test.
  std::thread sender([] {
    std::this_thread::sleep_for(milliseconds(100));
    ::kill(::getpid(), SIGTERM);
  });
  int signalNumber = 0;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(waiter.Wait(milliseconds(10000), signalNumber), SignalEvent::kStop);
  EXPECT_EQ(signalNumber, SIGTERM);
  EXPECT_LT(Clock::now() - start, milliseconds(5000));
  sender.join();
}

TEST(SignalWaiter, MaskIsRestoredAfterwards) {
  sigset_t before, after;
  pthread_sigmask(SIG_SETMASK, nullptr, &before);
  {
    SignalWaiter waiter;
    sigset_t during;
    pthread_sigmask(SIG_SETMASK, nullptr, &during);
    EXPECT_TRUE(sigismember(&during, SIGTERM) && sigismember(&during, SIGINT) && sigismember(&during, SIGHUP));
  }
  pthread_sigmask(SIG_SETMASK, nullptr, &after);
  for (int s : {SIGTERM, SIGINT, SIGHUP})
    EXPECT_EQ(sigismember(&after, s), sigismember(&before, s)) << "[" << SignalName(s) << "]";
}

}  // namespace
}  // namespace vemlo
