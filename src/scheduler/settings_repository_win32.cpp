// The scheduler's side of the settings: finding ClientConfig.hdb in the
// repository, loading it, and noticing when the main program rewrote it.
#include <windows.h>

#include "common/bounded_text.h"
#include "common/find_handle.h"
#include "common/program_messages.h"
#include "database/file_manager.h"
#include "scheduler/repository.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/settings_repository.h"
#include "scheduler/support_log.h"
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
    default: return "cannot be read (empty or damaged); tried again when it changes, or in a minute";
  }
}

void LogLoad(const char* path, SettingsLoadResult why) {
  char text[400];
  TextBuilder b(text, sizeof text);
  if (why == SettingsLoadResult::Loaded) {
    b.Number(static_cast<long long>(CountBackupSets(BackupSetList))).Add(" sets loaded from ").Add(path).Add(" (settle ").Number(SettleTime).Add(" min, prompt ");
    b.Number(PromptBeforeStarting).Add(", make up missed runs ").Number(RunMissedBackups).Add(")");
  } else if (why == SettingsLoadResult::Offline) {
    b.Add("not loaded: ").Add(FailureText(why));
  } else {
    b.Add("not loaded: ").Add(path).Add(" ").Add(FailureText(why));
  }
  SupportLogLine("settings", text);
}

}  // namespace

int LoadSettings() {
  char path[PathBufferSize];
  if (LocateClientConfig(path) != 0) return -1;
  SettingsLoadResult why = SettingsLoadResult::Missing;
  const int result = LoadSettingsFromDatabase(path, nullptr, &why);
  // Only a load that read the file makes the next tick evaluate again: a
  // failed one changed nothing that would call for it.
  if (result == 0) LastEvaluatedMinute = -1;
  ConfigFileStamp stamp = {0, 0};
  ReadConfigStamp(path, stamp);
  const bool repeated = SettingsReload.LastFailed && SettingsReload.Failure == why &&
                        SameStamp(SettingsReload.Failed, stamp);
  NoteLoad(SettingsReload, why, stamp, GetTickCount());
  if (!repeated) LogLoad(path, why);
  return result;
}

bool ReadConfigStamp(const char* path, ConfigFileStamp& stamp) {
  WIN32_FIND_DATAA data;
  FindHandle find(path, &data);
  if (!find.Found() || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  FileManager files;
  stamp.WriteTime = files.FileWriteTime(path);
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
  const ReloadAction action = DecideReload(SettingsReload, stamp, uptimeMs);
  if (action == ReloadAction::None) return;
  // A null window would turn the posts into thread messages of this thread.
  HWND window = SchedulerWindow();
  if (window == nullptr) return;
  PostMessageA(window, tw::kMsgReloadSettings, 0, 0);
  if (action == ReloadAction::ReloadAndAnnounce) PostMessageA(window, tw::kMsgAnnounceNextBackup, 0, 0);
}
