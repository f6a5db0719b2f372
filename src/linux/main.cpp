// The Linux collector's command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "collect/cycle.h"
#include "collect/fetch.h"
#include "util/error.h"
#include "util/file_system.h"
#include "util/texts.h"

namespace {

struct Options {
  bool once = false;
  vemlo::FetchSettings fetch;
  std::string folder;
};

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--once")
      options.once = true;
    else if (arg == "--user")
      ok = value(options.fetch.user);
    else if (arg == "--password")
      ok = value(options.fetch.password);
    else if (arg == "--url")
      ok = value(options.fetch.address);
    else if (arg == "--folder")
      ok = value(options.folder);
    else
      ok = false;
    if (!ok) return false;
  }
  return options.once;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr, "%s\n", vemlo::texts::kUsageOnce);
    return 2;
  }
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
