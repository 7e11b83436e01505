// When the scheduler loads ClientConfig.hdb again. A changed file is loaded at
// the next evaluated minute; a file whose load failed is not hammered: a locked
// one is tried again on the following ticks for about as long as one load used
// to wait in one go, anything else once a minute, and either at once when the
// file changes again. So a bad file never stalls the window thread tick after
// tick, and the main program is not told the next backup time over and over.
// A file that kept changing while it was read is tried again at every check
// without a new announcement: its load never succeeded, so there is nothing
// new to tell until one does (the reload itself tells then).
#pragma once
#include <stdint.h>

#include "common/packed_time.h"
#include "settings/settings.h"

// What the scheduler knows of the file without opening it.
struct ConfigFileStamp {
  PackedTime WriteTime;
  uint32_t Size;
};
inline bool SameStamp(const ConfigFileStamp& a, const ConfigFileStamp& b) {
  return a.WriteTime == b.WriteTime && a.Size == b.Size;
}

// FAT keeps a file's time to two seconds: a save made that soon after another,
// of the same size, shows the same stamp. A version read within that time of
// its last write (by the reader's clock) is loaded once more at a check at
// least that long after, and stands when that load finds the same stamp.
const PackedTime StampGrainSeconds = 2;
inline bool ReadNearItsWrite(PackedTime readAt, PackedTime writeTime) {
  return readAt < writeTime + StampGrainSeconds;
}

// Ticks after a lock was first met on which the file is tried again at once.
const int LockedRetryTicks = 9;
// How long a file that failed for another reason waits before it is tried again.
const unsigned long FailedRetryMilliseconds = 60000;

struct SettingsReloadState {
  bool HaveLoaded = false;       // some load read the file
  ConfigFileStamp Loaded = {0, 0};
  bool LoadedNearItsWrite = false;  // to be loaded once more (StampGrainSeconds)
  unsigned long LoadedAtMs = 0;     // uptime of the first load of that stamp
  bool LastFailed = false;       // the most recent load did not read it
  SettingsLoadResult Failure = SettingsLoadResult::Loaded;
  ConfigFileStamp Failed = {0, 0};
  unsigned long FailedAtMs = 0;  // uptime of that load
  int LockedRetriesLeft = 0;
};

enum class ReloadAction {
  None,
  Retry,              // load again (a failed file); the main program was told already
  ReloadAndAnnounce,  // the file changed: load, and tell the main program the next time
};

// What to do about a file that exists with the given stamp.
ReloadAction DecideReload(const SettingsReloadState& state, const ConfigFileStamp& file, unsigned long uptimeMs);

// Records how a load of the file with the given stamp ended; nearItsWrite:
// it was read within StampGrainSeconds of its last write (ReadNearItsWrite).
void NoteLoad(SettingsReloadState& state, SettingsLoadResult result, const ConfigFileStamp& file,
              unsigned long uptimeMs, bool nearItsWrite = false);
