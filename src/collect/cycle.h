#pragma once
// One collection cycle: fetch the router's page, then merge its lines into the
// day files of the archive, adding only lines a day file lacks.
#include <functional>
#include <string>
#include <vector>

#include "collect/line_key.h"
#include "util/file_system.h"

namespace vemlo {

// Kept from one cycle to the next (FLastDay, FLogFile); changed together.
struct CollectState {
  std::string lastDay;  // day key of the last line handled
  std::string logFile;  // day file the day list belongs to
};

using ResponseLines = std::vector<std::string>;

// Day files above this size are refused rather than read into memory.
inline constexpr size_t kMaxDayFileBytes = 256u << 20;

class Collector {
 public:
  Collector(FileSystem& fs, const LineKeyer& keyer) : fs_(fs), keyer_(keyer) {}

  // Runs the whole cycle at normal priority and returns to idle priority on
  // every path. fetch yields the response lines; archiveFolder gives the
  // folder's current text at each change of day. Throws Error.
  void RunCycle(CollectState& state, const std::function<ResponseLines()>& fetch,
                const std::function<std::string()>& archiveFolder);

  // The merge alone, for a page already fetched.
  void Merge(CollectState& state, const ResponseLines& lines, const std::function<std::string()>& archiveFolder);

 private:
  FileSystem& fs_;
  const LineKeyer& keyer_;
};

}  // namespace vemlo
