// The Linux collector's command line: the collector itself, or one cycle
// (--once), or the help and version texts.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "collect/cycle.h"
#include "collect/fetch.h"
#include "linux/options.h"
#include "linux/run_loop.h"
#include "linux/schedule.h"
#include "util/error.h"
#include "util/file_system.h"
#include "util/texts.h"

namespace {

// One cycle with the values of the command line; its error on standard error.
int RunOnce(const vemlo::Options& options) {
  vemlo::CollectState state;
  vemlo::Collector collector(vemlo::SystemFileSystem(), vemlo::SystemLineKeyer());
  try {
    collector.RunCycle(
        state, [&] { return vemlo::FetchLog(options.fetch); }, [&] { return options.folder; });
  } catch (const vemlo::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  namespace texts = vemlo::texts;
  vemlo::Options options;
  std::string error;
  if (!vemlo::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "%s\n%s\n%s\n", vemlo::Format(texts::kBadOption, error.c_str()).c_str(), texts::kUsage,
                 texts::kTryHelp);
    return 2;
  }
  switch (options.mode) {
    case vemlo::Mode::kHelp:
      std::printf("%s\n%s\n", texts::kUsage, texts::kHelp);
      return 0;
    case vemlo::Mode::kVersion:
      std::printf("%s\n", vemlo::Format(texts::kVersionLine, VEMLO_VERSION_TEXT).c_str());
      return 0;
    case vemlo::Mode::kOnce:
      return RunOnce(options);
    case vemlo::Mode::kRun:
      break;
  }
  vemlo::RunRequest request;
  request.configFile = options.configFile;
  request.now = options.now;
  // Test-only: shortens the minutes of IntervalTime (see README).
  request.minute = vemlo::MinuteLength(std::getenv("VEMLO_TEST_MINUTE_MS"));
  return vemlo::RunCollector(request);
}
