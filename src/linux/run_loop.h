#pragma once
// The collector in the foreground: one cycle every IntervalTime minutes until
// SIGTERM or SIGINT, the settings re-read on SIGHUP.
#include <chrono>
#include <string>

namespace vemlo {

struct RunRequest {
  std::string configFile;  // empty: the default place (made when missing)
  bool now = false;        // a cycle at start as well
  std::chrono::milliseconds minute{60000};
};

// Returns the exit code: 0 after SIGTERM or SIGINT and when another copy
// already runs with the same settings file (one line says so), 1 when the
// collector cannot start (no home folder, no lock file, no settings file).
int RunCollector(const RunRequest& request);

}  // namespace vemlo
