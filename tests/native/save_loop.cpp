// Runs collection cycles on a real archive, one after another, for the kill
// test (kill_test.py): cycle n merges a page that repeats the last lines of
// three days and adds kPerCycle new ones to each, so every save rewrites a
// growing day file. After each cycle that succeeded it writes "n\n" to
// standard output at once.
//
//   save_loop FOLDER FIRST [COUNT]    cycles FIRST, FIRST+1, ... (COUNT of them,
//                                     or until killed)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "collect/cycle.h"
#include "util/error.h"
#include "util/file_system.h"

namespace {

constexpr long kPerCycle = 40;  // new lines of each day per cycle
constexpr long kWindow = 200;   // lines of each day the page shows

// Line i of day d; kill_test.py builds the same text.
std::string Line(int day, long i) {
  char text[160];
  std::snprintf(text, sizeof text, "2024/03/0%d 12:%02ld:%02ld line %07ld of a router log that keeps on growing", day,
                i / 60 % 60, i % 60, i);
  return text;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// Day 1 in two halves around days 2 and 3, so a cycle saves day 1 twice;
// a case variant and a repeat of each day's lines, which add nothing.
vemlo::ResponseLines Page(long cycle) {
  const long end = (cycle + 1) * kPerCycle;
  const long begin = end > kWindow ? end - kWindow : 0;
  const long middle = (begin + end) / 2;
  vemlo::ResponseLines page;
  for (long i = begin; i < middle; ++i) page.push_back(Line(1, i));
  for (int day = 2; day <= 3; ++day) {
    for (long i = begin; i < end; ++i) page.push_back(Line(day, i));
    page.push_back(Upper(Line(day, begin)));
    page.push_back(Line(day, end - 1));
  }
  for (long i = middle; i < end; ++i) page.push_back(Line(1, i));
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: save_loop FOLDER FIRST [COUNT]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const long first = std::atol(argv[2]);
  const long count = argc == 4 ? std::atol(argv[3]) : -1;
  vemlo::Collector collector(vemlo::SystemFileSystem(), vemlo::SystemLineKeyer());
  vemlo::CollectState state;
  for (long n = first; count < 0 || n < first + count; ++n) {
    try {
      const vemlo::ResponseLines page = Page(n);
      collector.RunCycle(
          state, [&] { return page; }, [&] { return folder; });
    } catch (const vemlo::Error& e) {
      std::fprintf(stderr, "cycle %ld: %s\n", n, e.what());
      return 1;
    }
    const std::string done = std::to_string(n) + "\n";
    if (::write(1, done.data(), done.size()) != static_cast<ssize_t>(done.size())) return 1;
  }
  return 0;
}
