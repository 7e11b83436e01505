// The scheduler's side of the settings: finding ClientConfig.hdb in the
// repository, loading it, and noticing when the main program rewrote it.
#include <windows.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "common/program_messages.h"
#include "database/file_manager.h"
#include "scheduler/deferred_launch.h"
#include "scheduler/repository.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/settings_repository.h"
#include "scheduler/support_log.h"
#include "scheduler/wake_arming.h"
#include "settings/settings.h"
#include "settings/settings_reload.h"

namespace {

// "<repository>\ClientConfig.hdb" into path (260 bytes): 0, or -1 when the
// repository is offline or the name would not fit.
int LocateClientConfig(char* path) {
  char repository[PathBufferSize];
  if (LocateRepository(repository) != 1) return -1;
  repository[PathBufferSize - 1] = '\0';
  return BuildClientConfigPath(repository, path) == 0 ? 0 : -1;
}

const char* FailureText(SettingsLoadResult why) {
  switch (why) {
    case SettingsLoadResult::Offline: return "the repository is offline";
    case SettingsLoadResult::Missing: return "is missing";
    case SettingsLoadResult::Locked: return "is held by another program; tried again on the next ticks";
    case SettingsLoadResult::Changing: return "changed while it was read (being saved); tried again on the next ticks";
    default: return "cannot be read (empty or damaged); tried again when it changes, or in a minute";
  }
}

void LogLoad(const char* path, SettingsLoadResult why) {
  char text[400];
  TextBuilder b(text, sizeof text);
  if (why == SettingsLoadResult::Loaded) {
    b.Number(static_cast<long long>(CountBackupSets(BackupSetList))).Add(" sets loaded from ").Add(path).Add(" (settle ").Number(Preferences.SettleTime).Add(" min, prompt ");
    b.Number(Preferences.PromptBeforeStarting).Add(", make up missed runs ").Number(Preferences.RunMissedBackups);
    AddWaitsToSettingsText(b);
    b.Add(")");
  } else if (why == SettingsLoadResult::Offline) {
    b.Add("not loaded: ").Add(FailureText(why));
  } else {
    b.Add("not loaded: ").Add(path).Add(" ").Add(FailureText(why));
  }
  SupportLogLine("settings", text);
}

}  // namespace

void ReadSettingsForLoad(SettingsRead& read) {
  read.NearItsWrite = false;
  read.Located = LocateClientConfig(read.Path) == 0;
  if (!read.Located) return;
  // A loaded file is known by its stamp from before the read, so that a change
  // made during or after the load is seen as one; a failed one by what it
  // shows after.
  const PackedTime readAt = SchedulerNow();
  ConfigFileStamp before = {0, 0};
  const bool stamped = ReadConfigStamp(read.Path, before);
  read.Why = SettingsLoadResult::Missing;
  read.Result = ReadSettingsFromDatabase(read.Path, read.Loaded, nullptr, &read.Why);
  if (read.Result == 0 && stamped) {
    read.Stamp = before;
    read.NearItsWrite = ReadNearItsWrite(readAt, before.WriteTime);
    return;
  }
  read.Stamp = {0, 0};
  ReadConfigStamp(read.Path, read.Stamp);
}

int FinishSettingsLoad(SettingsRead& read) {
  if (!read.Located) return -1;
  if (read.Result == 0) {
    PutSettingsInForce(read.Loaded);
    // Only a load that read the file makes the next tick evaluate again: a
    // failed one changed nothing that would call for it.
    Scheduler.LastEvaluatedMinute = -1;
  }
  const bool repeated = Scheduler.Reload.LastFailed && Scheduler.Reload.Failure == read.Why &&
                        SameStamp(Scheduler.Reload.Failed, read.Stamp);
  NoteLoad(Scheduler.Reload, read.Why, read.Stamp, GetTickCount(), read.NearItsWrite);
  if (!repeated) LogLoad(read.Path, read.Why);
  // The sets may wake the computer at other times now.
  if (read.Result == 0) RearmWake("settings loaded");
  return read.Result;
}

int LoadSettings() {
  SettingsRead read;
  ReadSettingsForLoad(read);
  return FinishSettingsLoad(read);
}

bool ReadConfigStamp(const char* path, ConfigFileStamp& stamp) {
  WIN32_FIND_DATAA data;
  FindHandle find(path, &data);
  if (!find.Found() || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  FILETIME local;
  SYSTEMTIME st;
  stamp.WriteTime = 0;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &st))
    stamp.WriteTime = DateTimeUtil().SystemTimeToPacked(st);
  stamp.Size = data.nFileSizeLow;
  return true;
}

void CheckConfigChanged(unsigned long uptimeMs) {
  char path[PathBufferSize];
  if (LocateClientConfig(path) != 0) return;
  ConfigFileStamp stamp;
  if (!ReadConfigStamp(path, stamp)) return;
  CheckConfigStamp(stamp, uptimeMs);
}

void CheckConfigStamp(const ConfigFileStamp& stamp, unsigned long uptimeMs) {
  const ReloadAction action = DecideReload(Scheduler.Reload, stamp, uptimeMs);
  if (action == ReloadAction::None) return;
  // A null window would turn the posts into thread messages of this thread.
  HWND window = SchedulerWindow();
  if (window == nullptr) return;
  // The announcement (1031) follows from the reload once it has read the
  // file: a load that fails tells the main program nothing.
  const WPARAM announce = action == ReloadAction::ReloadAndAnnounce ? tw::kReloadThenAnnounce : 0;
  PostMessageA(window, tw::kMsgReloadSettings, announce, 0);
}
