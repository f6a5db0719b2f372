// Thousands of collection cycles against the router simulator, through the
// real fetch and real files: random pages of a router log that grows, drops
// lines and repeats them in other letter case, with undated and empty lines,
// plain and gzip bodies, and failures between them (error statuses, missing
// pages, bodies cut short, broken gzip, an error page instead of the log).
// After them the archive must be byte for byte what a small model of the
// merge rules, written here from the rules alone, predicts.
//
// VEMLO_SOAK_CYCLES (default 3000) and VEMLO_SOAK_SEED (printed) rerun or
// lengthen it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "collect/cycle.h"
#include "collect/fetch.h"
#include "support/test_support.h"
#include "util/error.h"
#include "util/file_system.h"

namespace vemlo {
namespace {

using test::Simulator;

// ---- The model: the merge rules, read plainly -----------------------------

// The bytes up to the first NUL; CR LF, CR and LF each end a line; a final
// break opens no new line.
std::vector<std::string> ModelLines(const std::string& text) {
  std::vector<std::string> lines;
  const std::string t = text.substr(0, text.find('\0'));
  std::string line;
  bool open = false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' || t[i] == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
    } else {
      line += t[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Lines are equal regardless of letter case: ASCII, and the full-width Latin
// letters of Shift-JIS (82 81..82 9A are a..z, 82 60..82 79 are A..Z).
bool SameLine(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (IsLead(x) && i + 1 < a.size()) {
      if (x != y) return false;
      auto fold = [x](unsigned char t) { return x == 0x82 && t >= 0x81 && t <= 0x9A ? t - 0x21 : t; };
      if (fold(static_cast<unsigned char>(a[i + 1])) != fold(static_cast<unsigned char>(b[i + 1]))) return false;
      ++i;
      continue;
    }
    auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
    if (upper(x) != upper(y)) return false;
  }
  return true;
}

// The pages here make only keys of digits, letters, blanks, Shift-JIS bytes,
// and the forbidden "<" and ":".
bool ModelSafe(const std::string& key) { return key.find_first_of("<>:\\/\"|?*") == std::string::npos; }

struct Model {
  std::string lastDay;
  std::string logFile;                                    // FOLDER/YYYY/KEY.log below the root
  std::map<std::string, std::vector<std::string>> files;  // by that path

  // The empty key's year is empty too: "A//.log", the file ".log" in A.
  static std::string Path(const std::string& folder, const std::string& key) {
    return folder + "/" + key.substr(0, 4) + "/" + key + ".log";
  }

  std::vector<std::string> Read() const {
    if (!ModelSafe(lastDay)) return {};
    const auto f = files.find(logFile);
    return f == files.end() ? std::vector<std::string>() : f->second;
  }

  // Returns whether the cycle succeeds.
  bool Cycle(const std::optional<std::string>& body, const std::string& folder) {
    if (!body) return false;  // the fetch fails: nothing is read or written
    std::vector<std::string> day;
    if (!logFile.empty()) day = Read();
    for (const std::string& line : ModelLines(*body)) {
      std::string key;
      for (char c : line.substr(0, 10))
        if (c != '/') key += c;
      if (key != lastDay) {
        if (!lastDay.empty() && !Save(day)) return false;
        logFile = Path(folder, key);
        lastDay = key;
        day = Read();
      }
      bool present = false;
      for (const std::string& held : day) present = present || SameLine(held, line);
      if (!present) day.push_back(line);
    }
    return logFile.empty() || Save(day);
  }

  bool Save(const std::vector<std::string>& day) {
    if (!ModelSafe(lastDay)) {
      *this = Model{"", "", std::move(files)};
      return false;
    }
    files[logFile] = day;
    return true;
  }
};

// ---- The router: a log that grows, and pages of it -------------------------

const char* const kMessages[] = {
    "PPP connected",
    "login ok user admin",
    "DHCP lease renewed",
    "NTP time set",
    "WAN link down",
    "\x82\x8c\x82\x8f\x82\x87\x82\x89\x82\x8e \x90\xac\x8c\xf7",  // full-width "login" and a kanji pair
    "\x83\x5c\x83\x74\x83\x67 update",                            // katakana whose trail byte is 0x5C
};

const char* const kUndated[] = {
    "",
    "Restart by user",
    "ab/c",
    "\x82\x60\x82\x61\x82\x62 notice",  // full-width "ABC"
    "<html><body>Error</body></html>",  // "<" cannot stand in a file name
    "kernel: eth0 up",                  // nor ":"
};

class Router {
 public:
  explicit Router(uint32_t seed) : rng_(seed) {}

  std::mt19937& Rng() { return rng_; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Pick(100) < percent; }

  // A page of the log: its last lines with some dropped, repeats, case
  // variants and undated lines among them.
  std::string Page() {
    for (int n = Pick(7); n > 0; --n) Add();
    const size_t window = 5 + Pick(40);
    const size_t begin = log_.size() > window ? log_.size() - window : 0;
    std::vector<std::string> lines;
    for (size_t i = begin; i < log_.size(); ++i) {
      if (Chance(10)) continue;  // dropped
      lines.push_back(Chance(15) ? Variant(log_[i]) : log_[i]);
      if (Chance(5)) lines.push_back(log_[i]);
    }
    if (!lines.empty() && Chance(20)) std::swap(lines[Pick(lines.size())], lines[Pick(lines.size())]);
    if (Chance(12)) {
      const int u = Chance(30) ? 4 + Pick(2) : Pick(4);  // mostly safe keys
      lines.insert(lines.begin() + Pick(lines.size() + 1), kUndated[u]);
    }
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
      text += lines[i];
      const int b = Pick(10);
      if (i + 1 < lines.size() || !Chance(30)) text += b < 7 ? "\r\n" : b < 9 ? "\n" : "\r";
    }
    if (Chance(3)) text += std::string("\0after the NUL\r\n", 16);
    return text;
  }

 private:
  // A new line: mostly of the current day, sometimes late from the day before;
  // the day moves on now and then, over a change of year.
  void Add() {
    if (Chance(4)) ++day_;
    const int day = day_ - (Chance(10) ? 1 : 0);
    static const char* const kDays[] = {"2024/12/29", "2024/12/30", "2024/12/31", "2025/01/01",
                                        "2025/01/02", "2025/01/03", "2025/01/04", "2025/01/05"};
    char text[128];
    std::snprintf(text, sizeof text, "%s %02d:%02d:%02d %s", kDays[(day < 0 ? 0 : day) % 8], Pick(24), Pick(60),
                  Pick(60), kMessages[Pick(7)]);
    log_.push_back(text);
  }

  std::string Variant(std::string line) {
    for (size_t i = 0; i < line.size(); ++i) {
      auto& c = reinterpret_cast<unsigned char&>(line[i]);
      if (IsLead(c) && i + 1 < line.size()) {
        auto& t = reinterpret_cast<unsigned char&>(line[++i]);
        if (c == 0x82 && t >= 0x81 && t <= 0x9A && Chance(50)) t = static_cast<unsigned char>(t - 0x21);
      } else if (c >= 'a' && c <= 'z' && Chance(50)) {
        c = static_cast<unsigned char>(c - 32);
      } else if (c >= 'A' && c <= 'Z' && Chance(50)) {
        c = static_cast<unsigned char>(c + 32);
      }
    }
    return line;
  }

  std::mt19937 rng_;
  std::vector<std::string> log_;
  int day_ = 0;
};

// The router's gzip member: fixed header, raw deflate, CRC and length.
std::string Gzip(const std::string& data, bool cutShort) {
  z_stream s = {};
  deflateInit2(&s, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string raw(deflateBound(&s, data.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(&raw[0]);
  s.avail_out = static_cast<uInt>(raw.size());
  deflate(&s, Z_FINISH);
  raw.resize(s.total_out);
  deflateEnd(&s);
  std::string member("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03", 10);
  // Cut short: half the deflate data and nothing after it (bytes after it
  // might by chance read as its end).
  if (cutShort) return member + raw.substr(0, raw.size() / 2);
  member += raw;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  for (uLong v : {crc, static_cast<uLong>(data.size())})
    for (int i = 0; i < 4; ++i) member += static_cast<char>((v >> (8 * i)) & 0xFF);
  return member;
}

// ---- The soak --------------------------------------------------------------

std::string Env(const char* name, const std::string& otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? value : otherwise;
}

// Every file below root, by its path relative to it.
std::map<std::string, std::string> Archive(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const std::string& f : test::ListFiles(root)) files[f] = test::ReadBytes(root + "/" + f);
  return files;
}

std::map<std::string, std::string> Expected(const Model& model) {
  std::map<std::string, std::string> files;
  for (const auto& [path, lines] : model.files) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    const size_t doubled = path.find("//");
    files[doubled == std::string::npos ? path : path.substr(0, doubled) + path.substr(doubled + 1)] = bytes;
  }
  return files;
}

TEST(Soak, TheArchiveIsWhatTheMergeRulesPredict) {
  ASSERT_TRUE(Simulator::Available()) << "run through tests/with-sim";
  const long cycles = std::atol(Env("VEMLO_SOAK_CYCLES", "3000").c_str());
  const uint32_t seed =
      static_cast<uint32_t>(std::stoul(Env("VEMLO_SOAK_SEED", std::to_string(std::random_device()()))));
  std::printf("soak: %ld cycles, VEMLO_SOAK_SEED=%u\n", cycles, seed);
  const std::string where = "[seed " + std::to_string(seed) + "] ";

  test::TempDir root;
  Router router(seed);
  Model model;
  CollectState state;
  Collector collector(SystemFileSystem(), SystemLineKeyer());
  std::string folder = "A";
  std::map<std::string, int> kinds;

  for (long n = 0; n < cycles; ++n) {
    if (router.Chance(2)) folder = folder == "A" ? "B" : "A";  // takes effect at the next change of day
    const std::string page = router.Page();
    std::optional<std::string> served = page;  // what the model gets, nothing when the fetch fails
    std::string url = "/page", kind;
    const int k = router.Pick(100);
    if (k < 55) {
      kind = "plain";
      Simulator::SetBody("page", page);
    } else if (k < 70) {
      kind = "gzip";
      Simulator::SetBody("page", Gzip(page, false));
    } else if (k < 80) {
      kind = "gzip by the router";
      Simulator::SetBody("page", page);
      url = "/gzip/page";
    } else if (k < 85) {
      kind = "broken gzip";
      Simulator::SetBody("page", Gzip(page + "padding to compress", true));
      served.reset();
    } else if (k < 90) {
      kind = "error status";
      Simulator::SetBody("page", page);
      url = "/status=" + std::to_string(router.Chance(50) ? 500 : 401) + "/page";
      served.reset();
    } else if (k < 94) {
      kind = "missing page";
      url = "/no-such-page";
      served.reset();
    } else if (k < 97) {
      kind = "cut short";
      Simulator::SetBody("page", page + "2025/01/05 00:00:00 the end that never comes\r\n");
      url = "/cut=" + std::to_string(page.size() / 2) + "/page";
      served.reset();
    } else {
      kind = "error page";
      served = "<html><head><title>Error</title></head>\r\n<body>Try again later</body>\r\n</html>\r\n";
      Simulator::SetBody("page", *served);
    }
    ++kinds[kind];

    const std::string archive = root.Path() + "/" + folder;
    bool ok = true;
    std::string error;
    try {
      collector.RunCycle(
          state,
          [&] {
            return FetchLog({"", "", Simulator::Url(url)});
          },
          [&] { return archive; });
    } catch (const Error& e) {
      ok = false;
      error = e.what();
    }
    const bool modelOk = model.Cycle(served, folder);
    const std::string at = where + "cycle " + std::to_string(n) + " (" + kind + "): ";
    ASSERT_EQ(ok, modelOk) << at << error;
    ASSERT_EQ(state.lastDay, model.lastDay) << at;
    ASSERT_EQ(state.logFile, model.logFile.empty() ? "" : root.Path() + "/" + model.logFile) << at;
    if (n % 100 == 99 || n + 1 == cycles) {
      ASSERT_EQ(Archive(root.Path()), Expected(model)) << at;
    }
  }
  for (const auto& [kind, count] : kinds) std::printf("soak: %5d %s\n", count, kind.c_str());
  size_t lines = 0;
  for (const auto& [path, held] : model.files) lines += held.size();
  std::printf("soak: %zu day files, %zu lines\n", model.files.size(), lines);
}

}  // namespace
}  // namespace vemlo
