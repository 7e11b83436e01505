// Settings of the scheduler: the preferences and the backup sets, loaded
// read-only from ClientConfig.hdb in the repository, reloaded when it changes.
#pragma once
#include "common/packed_time.h"
#include "settings/backup_set.h"

class DatabaseManager;

const int DefaultSettleTime = 5;
const int DefaultPromptBeforeStarting = 1;
const int DefaultRunMissedBackups = 0;
// How often and how far apart one load tries a database that another process
// holds: about a second in all, so that the window thread never stalls for
// long; a file that stays locked is tried again on later ticks
// (settings_reload.h).
const int DatabaseOpenAttempts = 10;
const unsigned DatabaseOpenRetryMilliseconds = 100;

// Why a load did or did not read the database.
enum class SettingsLoadResult {
  Loaded,      // read
  Offline,     // the repository is not reachable
  Missing,     // ClientConfig.hdb does not exist
  Locked,      // another program holds it without sharing
  Unreadable,  // it opens but is no database (empty, damaged), or cannot be opened at all
};

// Minutes after system start during which the timer tick does nothing.
extern int SettleTime;
// 1: show the pre-backup prompt before a scheduled launch.
extern int PromptBeforeStarting;
// 1: a daily run that the scheduler missed is made up once, at the first
// evaluated minute after the gap (missed_runs.h).
extern int RunMissedBackups;
// Last-write time of ClientConfig.hdb at the end of the last successful load.
extern PackedTime LoadedConfigTime;

// Waits between open attempts; tests hand in their own.
typedef void (*RetrySleepFunction)(unsigned milliseconds);

// Loads preferences and backup sets from the database at databasePath
// (the whole load except finding the repository). 0 when the database was
// read; -1 when it is missing or could not be opened in any attempt, in which
// case the list and the preferences stay as they were. sleep null: really wait.
// why, when given, receives the reason.
int LoadSettingsFromDatabase(const char* databasePath, RetrySleepFunction sleep = nullptr,
                             SettingsLoadResult* why = nullptr);

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
