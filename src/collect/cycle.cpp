#include "collect/cycle.h"

#include "collect/day_list.h"
#include "collect/day_path.h"
#include "collect/folder.h"
#include "collect/priority.h"
#include "util/error.h"
#include "util/texts.h"

namespace vemlo {
namespace {

// A day key that must not reach the file system (see IsSafeDayKey) is a file
// that cannot be created. Its day is forgotten with the error, or every later
// cycle would fail again on saving it.
void SaveDay(CollectState& state, const DayList& day, FileSystem& fs) {
  if (!IsSafeDayKey(state.lastDay)) {
    const std::string path = state.logFile;
    state = CollectState();
    Fail(Format(texts::kFileCannotCreate, path.c_str()));
  }
  // The year folder is made at the change of day, but it may be gone since
  // (removed, or never made while a file stood in its place): without making
  // it again here every later cycle would fail on this save until a restart.
  // A folder that cannot be made is reported by the save, as at the change.
  try {
    MakeFolderOfFileExist(state.logFile, fs);
  } catch (const Error&) {
  }
  fs.ReplaceFile(state.logFile, day.FileBytes());
}

void ReadDayIfPresent(const CollectState& state, DayList& day, FileSystem& fs) {
  if (IsSafeDayKey(state.lastDay) && fs.IsFile(state.logFile))
    day.AssignFileBytes(fs.ReadFile(state.logFile, kMaxDayFileBytes));
  else
    day.Clear();
}

}  // namespace

void Collector::RunCycle(CollectState& state, const std::function<ResponseLines()>& fetch,
                         const std::function<std::string()>& archiveFolder) {
  CyclePriority priority;
  const ResponseLines lines = fetch();
  Merge(state, lines, archiveFolder);
}

void Collector::Merge(CollectState& state, const ResponseLines& lines,
                      const std::function<std::string()>& archiveFolder) {
  DayList day(keyer_);
  if (!state.logFile.empty()) ReadDayIfPresent(state, day, fs_);
  for (const std::string& line : lines) {
    std::string key = DayKey(line);
    if (key != state.lastDay) {
      if (!state.lastDay.empty()) SaveDay(state, day, fs_);
      state.logFile = DayFilePath(archiveFolder(), key, fs_.Rules());
      state.lastDay = std::move(key);
      if (IsSafeDayKey(state.lastDay)) MakeFolderOfFileExist(state.logFile, fs_);
      ReadDayIfPresent(state, day, fs_);
    }
    day.AddUnlessPresent(line);
  }
  if (!state.logFile.empty()) SaveDay(state, day, fs_);
}

}  // namespace vemlo
