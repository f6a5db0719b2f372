#include "linux/run_loop.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "collect/cycle.h"
#include "collect/fetch.h"
#include "linux/collector_settings.h"
#include "linux/config_path.h"
#include "linux/instance_lock.h"
#include "linux/log.h"
#include "linux/schedule.h"
#include "linux/signals.h"
#include "util/error.h"
#include "util/file_system.h"
#include "util/login_name.h"
#include "util/module_path.h"
#include "util/texts.h"

namespace vemlo {
namespace {

using Clock = Schedule::Clock;

// The throttle's hour is sixty of the collector's minutes.
constexpr int kMinutesPerHour = 60;

// A line of its own for what stops the start, before the log begins.
void SayOnStart(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

void LogNotices(const LoadedSettings& loaded) {
  for (const std::string& notice : loaded.notices) LogLine(notice);
}

Clock::duration Period(const SettingsValues& settings, std::chrono::milliseconds minute) {
  return IntervalMinutes(settings) * minute;
}

class Run {
 public:
  Run(SettingsPlace place, SettingsValues defaults, std::chrono::milliseconds minute)
      : place_(std::move(place)),
        defaults_(std::move(defaults)),
        minute_(minute),
        collector_(SystemFileSystem(), SystemLineKeyer()),
        reporter_(kMinutesPerHour * minute, LogLine) {}

  // Loads the settings for the start; false (with the line said) when the
  // file cannot be made.
  bool Start() {
    LoadedSettings loaded;
    try {
      loaded = LoadCollectorSettings(place_, defaults_);
    } catch (const Error& e) {
      SayOnStart(e.message());
      return false;
    }
    settings_ = loaded.values;
    std::string started = Format(texts::kStarted, VEMLO_VERSION_TEXT, place_.file.c_str(), place_.section.c_str(),
                                 IntervalMinutes(settings_));
    if (minute_ != kRealMinute) started += Format(texts::kTestMinute, static_cast<long>(minute_.count()));
    LogLine(started);
    LogNotices(loaded);
    if (OthersMayRead(place_.file)) LogLine(Format(texts::kSettingsReadable, place_.file.c_str()));
    return true;
  }

  // A failed re-read keeps the settings in use.
  void Reload() {
    try {
      const LoadedSettings loaded = LoadCollectorSettings(place_, defaults_);
      settings_ = loaded.values;
      LogLine(Format(texts::kReloaded, place_.file.c_str(), IntervalMinutes(settings_)));
      LogNotices(loaded);
    } catch (const Error& e) {
      LogLine(e.message());
    }
  }

  void Cycle() {
    bool fetched = false;
    try {
      collector_.RunCycle(
          state_,
          [&] {
            ResponseLines lines = FetchLog({settings_.user, settings_.password, settings_.logAddress});
            fetched = true;
            return lines;
          },
          [&] { return settings_.saveFolder; });
      reporter_.Succeeded(Clock::now());
    } catch (const Error& e) {
      std::string message = e.message();
      // The core's message of a failed save does not say why a folder
      // written for Windows fails here.
      if (fetched && LooksLikeWindowsPath(settings_.saveFolder))
        message += Format(texts::kWindowsFolderHint, settings_.saveFolder.c_str());
      reporter_.Failed(message, Clock::now());
    } catch (const std::bad_alloc&) {
      reporter_.Failed(texts::kOutOfMemory, Clock::now());
    }
  }

  Clock::duration Period() const { return vemlo::Period(settings_, minute_); }

 private:
  SettingsPlace place_;
  SettingsValues defaults_;
  std::chrono::milliseconds minute_;
  SettingsValues settings_;
  Collector collector_;
  CollectState state_;
  CycleReporter reporter_;
};

}  // namespace

int RunCollector(const RunRequest& request) {
  // First of all, so that a signal during the start waits for the loop.
  SignalWaiter signals;

  const UserFolders folders = UserFoldersOfProcess();
  std::string configFile = request.configFile;
  if (configFile.empty()) {
    configFile = DefaultConfigFile(folders);
    if (configFile.empty()) {
      SayOnStart(texts::kNoHomeFolder);
      return 1;
    }
    // The default folder is ours to make; one named with --config must exist.
    const std::string folder = FolderOfPath(configFile);
    if (const int error = MakeFolders(folder, 0700)) {
      SayOnStart(Format(texts::kCannotMakeConfigFolder, folder.c_str(), std::strerror(error)));
      return 1;
    }
  }

  InstanceLock lock;
  const std::string lockFile = LockFileFor(configFile);
  switch (lock.Take(lockFile)) {
    case InstanceLock::Result::kTaken:
      break;
    case InstanceLock::Result::kHeldElsewhere:
      SayOnStart(Format(texts::kAlreadyRunning, configFile.c_str()));
      return 0;
    case InstanceLock::Result::kFailed:
      SayOnStart(Format(texts::kCannotLock, lockFile.c_str(), std::strerror(lock.error())));
      return 1;
  }

  Run run({configFile, SettingsSection(GetLoginUserName(), ExecutablePath())},
          CollectorDefaults(DefaultArchiveFolder(folders)), request.minute);
  if (!run.Start()) return 1;

  Schedule schedule(Clock::now(), run.Period(), request.now);
  for (;;) {
    // Signals first: one that came during a cycle ends the run before a
    // cycle that fell due meanwhile.
    int signalNumber = 0;
    switch (signals.Wait(schedule.Left(Clock::now()), signalNumber)) {
      case SignalEvent::kStop:
        LogLine(Format(texts::kStopping, SignalName(signalNumber)));
        return 0;
      case SignalEvent::kReload:
        run.Reload();
        schedule.Retime(Clock::now(), run.Period());
        continue;
      case SignalEvent::kTimeout:
        break;
    }
    if (!schedule.Due(Clock::now())) continue;
    run.Cycle();
    schedule.CycleDone(Clock::now());
  }
}

}  // namespace vemlo
