#pragma once
// The collector's command line. Options come in any order, a value either as
// the next argument or after "=" (--config=FILE); the first --help or
// --version wins over everything after it.
#include <string>
#include <vector>

#include "collect/fetch.h"

namespace vemlo {

enum class Mode { kRun, kOnce, kHelp, kVersion };

struct Options {
  Mode mode = Mode::kRun;
  // Running: the settings file (empty for the default place), and whether a
  // cycle runs at start as well.
  std::string configFile;
  bool now = false;
  // --once: one cycle with these values, no settings file.
  FetchSettings fetch;
  std::string folder;
};

// Fills options from the arguments after the program name. On a bad command
// line returns false with the reason in error (English, one line).
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

}  // namespace vemlo
