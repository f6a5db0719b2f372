// Whole cycles on an archive in memory: any day files to start with, any
// pages, and saves and reads that fail where the input says. Whatever comes,
// a day file only ever grows by whole lines of its own day that it lacked -
// its earlier lines stay, in their order - every path lies in the archive
// folder, and a cycle that succeeds leaves every line of its page archived.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "collect/cycle.h"
#include "collect/day_path.h"
#include "collect/line_key.h"
#include "collect/lines.h"
#include "fuzz/check.h"
#include "util/error.h"
#include "util/file_system.h"

namespace {

using vemlo::fuzz::Check;

// Files as bytes by path; a save or read fails when the script says so.
class MemoryFileSystem : public vemlo::FileSystem {
 public:
  MemoryFileSystem(const vemlo::PathRules& rules, std::string base) : rules_(rules), base_(std::move(base)) {}
  vemlo::PathRules Rules() const override { return rules_; }
  bool IsFile(const std::string& path) override { return Inside(path) && files.count(path) != 0; }
  bool IsFolder(const std::string& path) override { return base_.rfind(path, 0) == 0 || folders.count(path) != 0; }
  bool MakeFolder(const std::string& path) override {
    Check(Inside(path), "folders are made only inside the archive folder");
    folders.insert(path);
    return true;
  }
  std::string ReadFile(const std::string& path, size_t) override {
    Check(Inside(path), "reads stay inside the archive folder");
    if (Fails()) vemlo::Fail("read fails");
    return files.at(path);
  }
  void ReplaceFile(const std::string& path, std::string_view bytes) override {
    Check(Inside(path), "saves stay inside the archive folder");
    if (Fails()) vemlo::Fail("save fails");
    files[path] = std::string(bytes);
  }

  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::vector<bool> failures;  // one per file operation that may fail, in order

 private:
  bool Inside(const std::string& path) const { return path.size() > base_.size() && path.rfind(base_, 0) == 0; }
  bool Fails() {
    if (next_ >= failures.size()) return false;
    return failures[next_++];
  }

  vemlo::PathRules rules_;
  std::string base_;
  size_t next_ = 0;
};

std::string Key(std::string_view line) {
  std::string key;
  vemlo::SystemLineKeyer().Key(line, key);
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool windows = in.ConsumeBool();
  const vemlo::PathRules rules =
      windows ? vemlo::PathRules::Windows(vemlo::Dbcs::ShiftJis()) : vemlo::PathRules::Posix();
  const std::string folder = windows ? "C:\\Log" : "/srv/log";
  const std::string base = rules.WithSeparator(folder);
  MemoryFileSystem fs(rules, base);
  for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i) {
    const std::string key = in.ConsumeRandomLengthString(10);
    fs.files[vemlo::DayFilePath(folder, key, rules)] = in.ConsumeRandomLengthString(200);
  }
  for (int i = in.ConsumeIntegralInRange(0, 6); i > 0; --i) fs.failures.push_back(in.ConsumeBool());

  vemlo::Collector collector(fs, vemlo::SystemLineKeyer());
  vemlo::CollectState state;
  while (in.remaining_bytes() > 0) {
    const vemlo::ResponseLines page = vemlo::SplitLines(in.ConsumeRandomLengthString(400));
    const std::map<std::string, std::string> before = fs.files;
    const bool hadFile = !state.logFile.empty();
    bool ok = true;
    try {
      collector.Merge(state, page, [&] { return folder; });
    } catch (const vemlo::Error&) {
      ok = false;
    }
    Check(!state.logFile.empty() || state.lastDay.empty(), "no day without its day file");
    if (!state.logFile.empty())
      Check(state.logFile == vemlo::DayFilePath(folder, state.lastDay, rules), "the state's file is its day's file");

    for (const auto& [path, bytes] : fs.files) {
      const auto old = before.find(path);
      const std::string kept = old == before.end() ? "" : vemlo::JoinLines(vemlo::SplitLines(old->second));
      if (old != before.end() && bytes == old->second) continue;
      Check(bytes.compare(0, kept.size(), kept) == 0, "a save keeps every line the day file held, in order");
      const std::vector<std::string> added = vemlo::SplitLines(std::string_view(bytes).substr(kept.size()));
      Check(vemlo::JoinLines(added) == bytes.substr(kept.size()), "a save adds whole lines");
      std::set<std::string> keys;
      for (const std::string& line : vemlo::SplitLines(kept)) keys.insert(Key(line));
      for (const std::string& line : added) {
        Check(
            vemlo::IsSafeDayKey(vemlo::DayKey(line)) && vemlo::DayFilePath(folder, vemlo::DayKey(line), rules) == path,
            "a day file gets only lines of its own day");
        Check(keys.insert(Key(line)).second, "a line is added only when the day file lacks it");
        bool onPage = false;
        for (const std::string& p : page) onPage = onPage || p == line;
        Check(onPage, "added lines come from the page");
      }
    }
    for (const auto& [path, bytes] : before) Check(fs.files.count(path) != 0, "no day file goes away");

    if (!ok) continue;
    // The day list of the empty key is saved only at the end of a cycle (a
    // change of day saves only under a non-empty key), and only once a day
    // file is set: its lines count only as the last lines of a page.
    bool dayFileSet = hadFile;
    for (size_t i = 0; i < page.size(); ++i) {
      const std::string key = vemlo::DayKey(page[i]);
      if (key.empty()) {
        bool last = dayFileSet;
        for (size_t j = i + 1; j < page.size() && last; ++j) last = vemlo::DayKey(page[j]).empty();
        if (!last) continue;
      }
      dayFileSet = true;
      const auto file = fs.files.find(vemlo::DayFilePath(folder, key, rules));
      Check(file != fs.files.end(), "a good cycle leaves a day file for every day of its page");
      bool found = false;
      for (const std::string& archived : vemlo::SplitLines(file->second))
        found = found || Key(archived) == Key(page[i]);
      Check(found, "a good cycle archives every line of its page");
    }
  }
  return 0;
}
