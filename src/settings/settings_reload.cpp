// The reload decision for ClientConfig.hdb.
#include "settings/settings_reload.h"

ReloadAction DecideReload(const SettingsReloadState& state, const ConfigFileStamp& file, unsigned long uptimeMs) {
  if (!state.LastFailed) {
    if (state.HaveLoaded && SameStamp(state.Loaded, file)) return ReloadAction::None;
    return ReloadAction::ReloadAndAnnounce;
  }
  if (state.Failure == SettingsLoadResult::Changing) return ReloadAction::Retry;
  if (!SameStamp(state.Failed, file)) return ReloadAction::ReloadAndAnnounce;
  if (state.Failure == SettingsLoadResult::Locked && state.LockedRetriesLeft > 0) return ReloadAction::Retry;
  // Unsigned difference: right across the wrap of the millisecond counter.
  if (uptimeMs - state.FailedAtMs >= FailedRetryMilliseconds) return ReloadAction::Retry;
  return ReloadAction::None;
}

void NoteLoad(SettingsReloadState& state, SettingsLoadResult result, const ConfigFileStamp& file,
              unsigned long uptimeMs) {
  if (result == SettingsLoadResult::Loaded) {
    state.HaveLoaded = true;
    state.Loaded = file;
    state.LastFailed = false;
    state.LockedRetriesLeft = 0;
    return;
  }
  // Offline or missing: nothing was tried on the file itself.
  if (result != SettingsLoadResult::Locked && result != SettingsLoadResult::Unreadable &&
      result != SettingsLoadResult::Changing)
    return;
  const bool sameFailure = state.LastFailed && SameStamp(state.Failed, file) && state.Failure == result;
  if (result == SettingsLoadResult::Locked)
    state.LockedRetriesLeft = sameFailure ? (state.LockedRetriesLeft > 0 ? state.LockedRetriesLeft - 1 : 0)
                                          : LockedRetryTicks;
  else
    state.LockedRetriesLeft = 0;
  state.LastFailed = true;
  state.Failure = result;
  state.Failed = file;
  state.FailedAtMs = uptimeMs;
}
