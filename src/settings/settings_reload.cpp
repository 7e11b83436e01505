// The reload decision for ClientConfig.hdb.
#include "settings/settings_reload.h"

namespace {

const unsigned long kStampGrainMs = StampGrainSeconds * 1000UL;

}  // namespace

ReloadAction DecideReload(const SettingsReloadState& state, const ConfigFileStamp& file, unsigned long uptimeMs) {
  if (!state.LastFailed) {
    if (!state.HaveLoaded || !SameStamp(state.Loaded, file)) return ReloadAction::ReloadAndAnnounce;
    // Another save may hide behind the same stamp: loaded once more, later.
    if (state.LoadedNearItsWrite && uptimeMs - state.LoadedAtMs >= kStampGrainMs)
      return ReloadAction::ReloadAndAnnounce;
    return ReloadAction::None;
  }
  if (state.Failure == SettingsLoadResult::Changing) return ReloadAction::Retry;
  if (!SameStamp(state.Failed, file)) return ReloadAction::ReloadAndAnnounce;
  if (state.Failure == SettingsLoadResult::Locked && state.LockedRetriesLeft > 0) return ReloadAction::Retry;
  // Unsigned difference: right across the wrap of the millisecond counter.
  if (uptimeMs - state.FailedAtMs >= FailedRetryMilliseconds) return ReloadAction::Retry;
  return ReloadAction::None;
}

void NoteLoad(SettingsReloadState& state, SettingsLoadResult result, const ConfigFileStamp& file,
              unsigned long uptimeMs, bool nearItsWrite) {
  if (result == SettingsLoadResult::Loaded) {
    const bool sameVersion = state.HaveLoaded && !state.LastFailed && SameStamp(state.Loaded, file);
    if (!sameVersion) {
      state.LoadedAtMs = uptimeMs;
      state.LoadedNearItsWrite = nearItsWrite;
    } else if (uptimeMs - state.LoadedAtMs >= kStampGrainMs) {
      // The same stamp a grain later: no second save can hide behind it now.
      state.LoadedNearItsWrite = false;
    }
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
