// The collector's command line: which mode and values each argument list
// gives, and which lists are refused with what reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux/options.h"

namespace vemlo {
namespace {

struct GoodCase {
  const char* name;
  std::vector<std::string> args;
  Mode mode;
  std::string config;
  bool now;
  std::vector<std::string> once;  // user, password, url and folder of --once
};

TEST(CollectorOptions, GoodCommandLines) {
  const GoodCase cases[] = {
      {"nothing: run with the default file", {}, Mode::kRun, "", false, {}},
      {"config and now", {"--config", "/etc/v.ini", "--now"}, Mode::kRun, "/etc/v.ini", true, {}},
      {"config with =", {"--now", "--config=/x/y.ini"}, Mode::kRun, "/x/y.ini", true, {}},
      {"config value that looks like an option", {"--config", "--now"}, Mode::kRun, "--now", false, {}},
      {"last config wins", {"--config", "a", "--config", "b"}, Mode::kRun, "b", false, {}},
      {"once with its values",
       {"--url", "http://r/x", "--once", "--user", "u", "--password", "p", "--folder", "/a"},
       Mode::kOnce,
       "",
       false,
       {"u", "p", "http://r/x", "/a"}},
      {"once with empty values", {"--once", "--url", "", "--password="}, Mode::kOnce, "", false, {"", "", "", ""}},
      {"help", {"--help"}, Mode::kHelp, "", false, {}},
      {"arguments after --help are not looked at", {"--now", "--help", "--bogus"}, Mode::kHelp, "", false, {}},
      {"version", {"--config", "x", "--version", "--once"}, Mode::kVersion, "", false, {}},
  };
  for (const GoodCase& c : cases) {
    Options options;
    options.configFile = "left over";
    std::string error;
    ASSERT_TRUE(ParseOptions(c.args, options, error)) << "[" << c.name << "] " << error;
    EXPECT_EQ(options.mode, c.mode) << "[" << c.name << "]";
    EXPECT_EQ(options.configFile, c.config) << "[" << c.name << "]";
    EXPECT_EQ(options.now, c.now) << "[" << c.name << "]";
    const std::vector<std::string> once = {options.fetch.user, options.fetch.password, options.fetch.address,
                                           options.folder};
    EXPECT_EQ(once, c.once.empty() ? std::vector<std::string>(4) : c.once) << "[" << c.name << "]";
  }
}

struct BadCase {
  const char* name;
  std::vector<std::string> args;
  std::string error;
};

TEST(CollectorOptions, BadCommandLinesSayWhy) {
  const BadCase cases[] = {
      {"unknown option", {"--bogus"}, "unknown option --bogus"},
      {"unknown option with a value", {"--interval=5"}, "unknown option --interval=5"},
      {"plain argument", {"vemlo.ini"}, "unexpected argument vemlo.ini"},
      {"lone dash", {"-"}, "unexpected argument -"},
      {"config without value", {"--config"}, "option --config needs a value"},
      {"config with an empty value", {"--config="}, "option --config needs a value"},
      {"once value missing", {"--once", "--url"}, "option --url needs a value"},
      {"once value without once", {"--user", "admin"}, "option --user belongs to --once"},
      {"now with once", {"--once", "--now"}, "option --now does not go with --once"},
      {"config with once", {"--config", "x", "--once"}, "option --config does not go with --once"},
  };
  for (const BadCase& c : cases) {
    Options options;
    std::string error;
    EXPECT_FALSE(ParseOptions(c.args, options, error)) << "[" << c.name << "]";
    EXPECT_EQ(error, c.error) << "[" << c.name << "]";
  }
}

}  // namespace
}  // namespace vemlo
