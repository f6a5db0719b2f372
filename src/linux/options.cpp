#include "linux/options.h"

#include "util/error.h"
#include "util/texts.h"

namespace vemlo {
namespace {

enum class Kind { kRunOnly, kOnceOnly };

struct ValueOption {
  const char* name;
  Kind kind;
  bool mayBeEmpty;  // --once passes empty values on, as the core's own cases
  std::string* (*target)(Options&);
};

const ValueOption kValueOptions[] = {
    {"--config", Kind::kRunOnly, false, [](Options& o) { return &o.configFile; }},
    {"--user", Kind::kOnceOnly, true, [](Options& o) { return &o.fetch.user; }},
    {"--password", Kind::kOnceOnly, true, [](Options& o) { return &o.fetch.password; }},
    {"--url", Kind::kOnceOnly, true, [](Options& o) { return &o.fetch.address; }},
    {"--folder", Kind::kOnceOnly, true, [](Options& o) { return &o.folder; }},
};

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  options = Options();
  bool once = false;
  // Checked after the loop, once it is known whether --once is among them.
  std::string firstRunOnly, firstOnceOnly;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "--version") {
      options = Options();
      options.mode = arg == "--help" ? Mode::kHelp : Mode::kVersion;
      return true;
    }
    if (arg == "--once") {
      once = true;
      continue;
    }
    if (arg == "--now") {
      options.now = true;
      if (firstRunOnly.empty()) firstRunOnly = arg;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const ValueOption* option = nullptr;
    for (const ValueOption& candidate : kValueOptions)
      if (name == candidate.name) option = &candidate;
    if (!option) {
      const bool looksLikeOption = arg.size() > 1 && arg[0] == '-';
      error = Format(looksLikeOption ? texts::kUnknownOption : texts::kUnexpectedArgument, arg.c_str());
      return false;
    }
    std::string& value = *option->target(options);
    const bool given = equals != std::string::npos || i + 1 < args.size();
    if (given) value = equals != std::string::npos ? arg.substr(equals + 1) : args[++i];
    if (!given || (value.empty() && !option->mayBeEmpty)) {
      error = Format(texts::kOptionNeedsValue, name.c_str());
      return false;
    }
    std::string& first = option->kind == Kind::kRunOnly ? firstRunOnly : firstOnceOnly;
    if (first.empty()) first = name;
  }
  if (once && !firstRunOnly.empty()) {
    error = Format(texts::kNotWithOnce, firstRunOnly.c_str());
    return false;
  }
  if (!once && !firstOnceOnly.empty()) {
    error = Format(texts::kOnceOnlyOption, firstOnceOnly.c_str());
    return false;
  }
  options.mode = once ? Mode::kOnce : Mode::kRun;
  return true;
}

}  // namespace vemlo
