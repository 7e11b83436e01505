// Settings of the scheduler: the preferences and the backup sets, loaded
// read-only from ClientConfig.hdb in the repository, reloaded when it changes.
#pragma once
#include "common/packed_time.h"
#include "settings/backup_set.h"

class DatabaseManager;

const int DefaultSettleTime = 5;
const int DefaultPromptBeforeStarting = 1;
const int DefaultRunMissedBackups = 0;
// The waits for power and the user, all off unless the main program asks
// (schedule/deferred_runs.h); a held run launches anyway after the limit.
const int DefaultDeferOnBattery = 0;
const int DefaultWakeOnBattery = 0;
const int DefaultDeferWhileFullScreen = 0;
const int DefaultWaitForIdleMinutes = 0;
const int DefaultDeferLimitMinutes = 60;
// How often and how far apart one load tries a database that another process
// holds: about a second in all, so that the window thread never stalls for
// long; a file that stays locked is tried again on later ticks
// (settings_reload.h).
const int DatabaseOpenAttempts = 10;
const unsigned DatabaseOpenRetryMilliseconds = 100;
// How often and how far apart one load reads a file that changed while it was
// read (the main program saving it): briefly, then a later tick tries again.
const int SnapshotAttempts = 5;
const unsigned SnapshotRetryMilliseconds = 20;

// Why a load did or did not read the database.
enum class SettingsLoadResult {
  Loaded,      // read
  Offline,     // the repository is not reachable
  Missing,     // ClientConfig.hdb does not exist
  Locked,      // another program holds it without sharing
  Changing,    // it changed while it was read, at every attempt
  Unreadable,  // it opens but is no database (empty, damaged), or cannot be opened at all
};

// The preferences of ClientConfig.hdb that bear on holds and wakes
// (schedule/deferred_runs.h).
struct DeferPreferences {
  // 1: a run falling due on battery waits for mains power.
  int DeferOnBattery = DefaultDeferOnBattery;
  // 0: no wake is armed on battery, and a wake that finds the computer on
  // battery starts nothing.
  int WakeOnBattery = DefaultWakeOnBattery;
  // 1: a run falling due under a full-screen program waits until it is gone.
  int DeferWhileFullScreen = DefaultDeferWhileFullScreen;
  // N > 0: a run waits until keyboard and mouse have rested N minutes.
  int WaitForIdleMinutes = DefaultWaitForIdleMinutes;
  // Minutes after which a run held for a full-screen program or an active
  // user launches anyway; 0 or less: no limit.
  int DeferLimitMinutes = DefaultDeferLimitMinutes;
};

// Every preference of "SchedulerPreferences"; a fresh one holds the defaults,
// which a load puts back for every key the file does not have.
struct SchedulerPreferences {
  // Minutes after system start during which the timer tick does nothing.
  int SettleTime = DefaultSettleTime;
  // 1: show the pre-backup prompt before a scheduled launch.
  int PromptBeforeStarting = DefaultPromptBeforeStarting;
  // 1: a daily run that the scheduler missed is made up once, at the first
  // evaluated minute after the gap (missed_runs.h).
  int RunMissedBackups = DefaultRunMissedBackups;
  DeferPreferences Defer;
};

// The preferences in force: put there by the last successful load, read by
// the window thread.
extern SchedulerPreferences Preferences;
// Last-write time and size of the version of ClientConfig.hdb that the last
// successful load read (the time taken before reading and found unchanged
// after it), so that any change made since is seen.
extern PackedTime LoadedConfigTime;
extern uint32_t LoadedConfigSize;

// Waits between open attempts; tests hand in their own.
typedef void (*RetrySleepFunction)(unsigned milliseconds);

// Loads preferences and backup sets from the database at databasePath
// (the whole load except finding the repository), from one version of the
// file read whole into memory. 0 when the database was read; -1 when it is
// missing, could not be read in any attempt or changed at every attempt, in
// which case the list and the preferences stay as they were. A plain function
// of its arguments and the settings globals. sleep null: really wait.
// why, when given, receives the reason.
int LoadSettingsFromDatabase(const char* databasePath, RetrySleepFunction sleep = nullptr,
                             SettingsLoadResult* why = nullptr);

// What one load read, not yet in force: a load can read on one thread and
// put what it read in force on another (the one that owns the globals).
struct LoadedSettings {
  SchedulerPreferences Preferences;
  bool HaveList = false;  // no "Backup Set List": the old list stays
  BackupSetEntry* List = nullptr;
  PackedTime WriteTime = 0;  // of the version read
  uint32_t Size = 0;

  LoadedSettings() = default;
  ~LoadedSettings() { Discard(); }
  LoadedSettings(const LoadedSettings&) = delete;
  LoadedSettings& operator=(const LoadedSettings&) = delete;
  void Discard();
};

// The reading half of LoadSettingsFromDatabase: touches no settings global.
int ReadSettingsFromDatabase(const char* databasePath, LoadedSettings& out, RetrySleepFunction sleep = nullptr,
                             SettingsLoadResult* why = nullptr);
// The other half: what was read becomes the settings in force (last-run times
// carried over from the list it replaces).
void PutSettingsInForce(LoadedSettings& loaded);

// "<repository>\ClientConfig.hdb" into out (260 bytes). 0, or -1 when the
// result would not fit a path buffer.
int BuildClientConfigPath(const char* repository, char* out);

// Reads the child named keyName of parent as decimal text into value (0 when
// the data cannot be read). -1 when there is no such child (value 0), else 0.
int ReadIntKey(DatabaseManager& db, int handle, int parent, const char* keyName, int& value);

// Reads the child named keyName of parent as text into buffer (bufferSize
// bytes, at most bufferSize - 1 of them from the data, cut between characters
// of the code page in use, always terminated).
// -1 when there is no such child (buffer untouched); otherwise the byte count
// read, or -1 with an empty buffer when the data cannot be read.
int ReadTextKey(DatabaseManager& db, int handle, int parent, const char* keyName, char* buffer,
                int bufferSize);

// The decimal conversion of stored numbers: leading blanks, an optional sign,
// digits up to the first other character; wraps modulo 2^32 rather than
// overflowing, so a stored unsigned time above 2^31 comes back intact.
int32_t DecimalTextValue(const char* text);
