// Day keys and day file paths from any line, under the Windows rules with
// Shift-JIS and under the POSIX rules. A key that passes IsSafeDayKey yields a
// path inside the archive folder: after the folder and its separator come
// the year folder and the file, and nothing else - no "." or "..", no device
// name, no further separator, nothing Windows forbids in a name - and making
// the year folder creates nothing outside the archive folder.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "collect/day_path.h"
#include "collect/folder.h"
#include "fuzz/check.h"
#include "util/file_system.h"

namespace {

using vemlo::fuzz::Check;

// The parts of text between separators, read as the system reads them: a
// lead byte takes the next byte with it.
std::vector<std::string> Components(std::string_view text, const vemlo::PathRules& rules) {
  const std::string_view separators = rules.driveColon ? std::string_view("\\/:") : std::string_view("/");
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (rules.dbcs.IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      parts.back() += text.substr(i, 2);
      ++i;
    } else if (separators.find(text[i]) != std::string_view::npos) {
      parts.emplace_back();
    } else {
      parts.back() += text[i];
    }
  }
  return parts;
}

// Windows drops trailing dots and blanks of a name.
std::string AsWindowsNames(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

bool IsDevice(std::string name) {
  name = AsWindowsNames(name.substr(0, name.find('.')));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  static const std::set<std::string> kDevices = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                                 "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                                 "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  return kDevices.count(name) != 0;
}

// The archive folder exists; nothing below it does yet.
class RecordingFileSystem : public vemlo::FileSystem {
 public:
  RecordingFileSystem(const vemlo::PathRules& rules, std::string folder) : rules_(rules), folder_(std::move(folder)) {}
  vemlo::PathRules Rules() const override { return rules_; }
  bool IsFile(const std::string&) override { return false; }
  bool IsFolder(const std::string& path) override {
    return made_.count(path) != 0 || folder_.rfind(path, 0) == 0 || rules_.WithSeparator(folder_) == path;
  }
  bool MakeFolder(const std::string& path) override {
    made_.insert(path);
    return true;
  }
  std::string ReadFile(const std::string&, size_t) override { return ""; }
  void ReplaceFile(const std::string&, std::string_view) override {}

  std::set<std::string> made_;

 private:
  vemlo::PathRules rules_;
  std::string folder_;
};

void CheckPath(const std::string& key, const std::string& folder, const vemlo::PathRules& rules) {
  const std::string path = vemlo::DayFilePath(folder, key, rules);
  const std::string base = rules.WithSeparator(folder);
  Check(path.compare(0, base.size(), base) == 0, "the day file lies in the archive folder");
  const std::string rest = path.substr(base.size());
  const std::vector<std::string> parts = Components(rest, rules);
  Check(parts.size() <= 2, "no separator in the day file's path beyond year folder and file");
  // A year part ending in a lone lead byte makes the appended separator its
  // trail byte: the file then lies in the archive folder itself.
  if (parts.size() == 2) {
    Check(parts[0] == key.substr(0, 4) && parts[1] == key + ".log",
          "the year folder and the file are named by the key");
  } else {
    Check(rules.dbcs.IsLead(static_cast<unsigned char>(key.substr(0, 4).back())), "one part only after a lone lead");
  }
  for (const std::string& part : parts) {
    Check(part != "." && part != ".." && AsWindowsNames(part) != "." && AsWindowsNames(part) != "..",
          "no . or .. in the day file's path");
    Check(part.empty() || !IsDevice(part), "no device name in the day file's path");
    for (char c : part) {
      const auto b = static_cast<unsigned char>(c);
      Check(b >= 0x20 && std::string_view("<>\"|?*").find(c) == std::string_view::npos,
            "no byte Windows forbids in a name");
    }
  }

  RecordingFileSystem fs(rules, folder);
  vemlo::MakeFolderOfFileExist(path, fs);
  Check(fs.made_.size() <= 1, "at most the year folder is made");
  for (const std::string& made : fs.made_)
    Check(made.size() > base.size() && made.compare(0, base.size(), base) == 0, "folders are made only inside");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::string key = vemlo::DayKey(line);
  Check(key.size() <= 10 && key.find('/') == std::string::npos, "a day key is at most ten bytes without /");
  std::string expected;
  for (char c : line.substr(0, 10))
    if (c != '/') expected += c;
  Check(key == expected, "the day key is the first ten bytes without /");

  // The key as it comes, and the line's own bytes as a key (an unsafe one may
  // have any bytes, / included).
  for (const std::string& k : {key, std::string(line.substr(0, 12))}) {
    if (!vemlo::IsSafeDayKey(k)) continue;
    const vemlo::PathRules windows = vemlo::PathRules::Windows(vemlo::Dbcs::ShiftJis());
    for (const char* folder : {"C:\\Log", "C:\\Log\\", "C:\\\x83\x5C", "\\\\server\\share\\log", "log"})
      CheckPath(k, folder, windows);
    for (const char* folder : {"/srv/log", "/srv/log/", "log", "/"}) CheckPath(k, folder, vemlo::PathRules::Posix());
  }
  return 0;
}
