// The scheduler's side of the settings: finding ClientConfig.hdb in the
// repository, loading it, and noticing when the main program rewrote it.
#include <windows.h>

#include "common/program_messages.h"
#include "database/file_manager.h"
#include "scheduler/repository.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/settings.h"

namespace {

// "<repository>\ClientConfig.hdb" into path (260 bytes): 0, or -1 when the
// repository is offline or the name would not fit.
int LocateClientConfig(char* path) {
  char repository[PathBufferSize];
  if (LocateRepository(repository) != 1) return -1;
  repository[PathBufferSize - 1] = '\0';
  return BuildClientConfigPath(repository, path) == 0 ? 0 : -1;
}

}  // namespace

int LoadSettings() {
  char path[PathBufferSize];
  if (LocateClientConfig(path) != 0) return -1;
  // Whatever the outcome, the next tick evaluates the schedules again.
  LastEvaluatedMinute = -1;
  return LoadSettingsFromDatabase(path);
}

void CheckConfigChanged() {
  char path[PathBufferSize];
  if (LocateClientConfig(path) != 0) return;
  FileManager files;
  if (files.FileExists(path) != 1) return;
  if (files.FileWriteTime(path) == LoadedConfigTime) return;
  // A null window would turn the posts into thread messages of this thread.
  HWND window = SchedulerWindow();
  if (window == nullptr) return;
  PostMessageA(window, tw::kMsgReloadSettings, 0, 0);
  PostMessageA(window, tw::kMsgAnnounceNextBackup, 0, 0);
}
