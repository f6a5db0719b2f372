// Cost of the cycle's merge and save on real files, against two baselines
// measured in the same run:
//  - plain: reading the day file and writing it back with the same flush
//    policy, the least any merge that rewrites the file can cost;
//  - scan: the same merge with the duplicate test as a linear scan of the day
//    list for every page line.
// Prints ratios; the absolute times depend on the machine.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "collect/cycle.h"
#include "collect/day_path.h"
#include "collect/lines.h"
#include "util/file_system.h"

namespace {

using Clock = std::chrono::steady_clock;
using vemlo::ResponseLines;

std::string ArchivedLine(int i) {
  char line[128];
  std::snprintf(line, sizeof line, "2024/01/31 %02d:%02d:%02d PPP[%06d] connection established to 192.0.2.%d",
                i / 3600 % 24, i / 60 % 60, i % 60, i, i % 250);
  return line;  // about 80 bytes
}

// Half new lines, half case variants of archived ones.
ResponseLines MakePage(int dayLines, int pageLines) {
  ResponseLines page;
  for (int i = 0; i < pageLines; ++i) {
    if (i % 2 == 0) {
      page.push_back(ArchivedLine(dayLines + i));
    } else {
      std::string line = ArchivedLine((i * 7919) % dayLines);
      for (char& c : line)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      page.push_back(line);
    }
  }
  return page;
}

bool FoldEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

// The merge with a linear duplicate scan, same reading and saving.
void ScanMerge(const std::string& path, const ResponseLines& page) {
  std::vector<std::string> day = vemlo::SplitLines(vemlo::SystemFileSystem().ReadFile(path, ~size_t{0}));
  for (const auto& line : page) {
    bool present = false;
    for (const auto& archived : day)
      if (FoldEqual(archived, line)) {
        present = true;
        break;
      }
    if (!present) day.push_back(line);
  }
  vemlo::SystemFileSystem().ReplaceFile(path, vemlo::JoinLines(day));
}

void PlainReadWrite(const std::string& path) {
  const std::string bytes = vemlo::SystemFileSystem().ReadFile(path, ~size_t{0});
  vemlo::SystemFileSystem().ReplaceFile(path, bytes);
}

// Best of a few runs, each on a fresh copy of the day file.
double Seconds(const std::string& path, const std::string& original, int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int r = 0; r < runs; ++r) {
    vemlo::SystemFileSystem().ReplaceFile(path, original);
    const auto start = Clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vemlo-merge-bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "2024");
  const std::string folder = dir.string();
  const std::string path = (dir / "2024" / "20240131.log").string();
  vemlo::Collector collector(vemlo::SystemFileSystem(), vemlo::SystemLineKeyer());

  std::printf("%10s %6s %12s %12s %12s %14s %14s\n", "day lines", "page", "merge ms", "plain ms", "scan ms",
              "merge/plain", "scan/merge");
  for (int dayLines : {1000, 10000, 100000}) {
    std::vector<std::string> lines;
    for (int i = 0; i < dayLines; ++i) lines.push_back(ArchivedLine(i));
    const std::string original = vemlo::JoinLines(lines);
    for (int pageLines : {500, 5000}) {
      const ResponseLines page = MakePage(dayLines, pageLines);
      const int runs = dayLines >= 100000 ? 5 : 20;
      const double merge = Seconds(path, original, runs, [&] {
        // A state that names the day file: the cycle reads it, merges, saves.
        vemlo::CollectState state{"20240131", path};
        collector.Merge(state, page, [&] { return folder; });
      });
      const double plain = Seconds(path, original, runs, [&] { PlainReadWrite(path); });
      const double scan = Seconds(path, original, dayLines >= 100000 ? 1 : 3, [&] { ScanMerge(path, page); });
      std::printf("%10d %6d %12.2f %12.2f %12.2f %14.2f %14.1f\n", dayLines, pageLines, merge * 1e3, plain * 1e3,
                  scan * 1e3, merge / plain, scan / merge);
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
