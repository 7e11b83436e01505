// Loading the preferences and the backup sets from ClientConfig.hdb. The
// scheduler only reads the file, from a snapshot in memory; the main program
// may hold it open or be saving it, so a read that fails or sees the file
// change is retried for a while.
#include "settings/settings.h"

#include <new>
#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"
#include "platform/sleep.h"
#include "database/database_manager.h"
#include "database/file_manager.h"
#include "database/file_snapshot.h"
#include "platform/path_rules.h"
#include "settings/object_id_set.h"

SchedulerPreferences Preferences;
PackedTime LoadedConfigTime = 0;
uint32_t LoadedConfigSize = 0;

namespace {

const char kClientConfigFile[] = "ClientConfig.hdb";
const char kPreferencesObject[] = "SchedulerPreferences";
const char kBackupSetListObject[] = "Backup Set List";
// A number is read from at most this many bytes of data.
const int kIntKeyDataBytes = 20;
// A set's object name is read into this many bytes (19 characters).
const int kSetNameBufferSize = 20;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads one set's keys in the order the main program writes them, all in one
// call of the engine: each as ReadTextKey or ReadIntKey would read it.
void ReadSetKeys(DatabaseManager& db, int handle, int set, BackupSetEntry& e) {
  struct {
    const char* key;
    int32_t* field;
  } const keys[] = {
      {"BackupType", &e.BackupType},
      {"ScheduleAutomatic", &e.ScheduleAutomatic},
      {"ScheduleAtStartupFlag", &e.ScheduleAtStartupFlag},
      {"ScheduleStartupDelay", &e.ScheduleStartupDelay},
      {"ScheduleAtShutdownFlag", &e.ScheduleAtShutdownFlag},
      {"ScheduleAtConnectFlag", &e.ScheduleAtConnectFlag},
      {"SchedulePerScheduleFlag", &e.SchedulePerScheduleFlag},
      {"ScheduleScheduledType", &e.ScheduleScheduledType},
      {"ScheduleDaysFlags", &e.ScheduleDaysFlags},
      {"ScheduleBackupTimeHour", &e.ScheduleBackupTimeHour},
      {"ScheduleBackupTimeMinute", &e.ScheduleBackupTimeMinute},
      {"ScheduleAllDayFlag", &e.ScheduleAllDayFlag},
      {"ScheduleFrequency", &e.ScheduleFrequency},
      {"ScheduleStartTimeHour", &e.ScheduleStartTimeHour},
      {"ScheduleStartTimeMinute", &e.ScheduleStartTimeMinute},
      {"ScheduleEndTimeHour", &e.ScheduleEndTimeHour},
      {"ScheduleEndTimeMinute", &e.ScheduleEndTimeMinute},
      {"TurnOffComputerFlag", &e.TurnOffComputerFlag},
      {"ExitFlag", &e.ExitFlag},
      {"ScheduleWakeFlag", &e.ScheduleWakeFlag},
  };
  const int intKeys = static_cast<int>(sizeof keys / sizeof keys[0]);
  // The name, the keys above, then "LastRunDateTime".
  const int reads = intKeys + 2;
  char name[sizeof e.Name];
  char numbers[intKeys + 1][kIntKeyDataBytes + 1];
  ChildRead read[reads];
  // One byte more than is kept tells whether the name goes on (ReadTextKey).
  read[0] = {"Name", name, static_cast<int>(sizeof name), 0, -1};
  for (int i = 0; i < intKeys; ++i) read[i + 1] = {keys[i].key, numbers[i], kIntKeyDataBytes, 0, -1};
  read[reads - 1] = {"LastRunDateTime", numbers[intKeys], kIntKeyDataBytes, 0, -1};
  db.ReadChildren(handle, set, read, reads);

  // A missing name leaves the field as it was; an unreadable one empties it.
  if (read[0].Found) {
    const size_t n = read[0].Got < 0 ? 0 : WholeCharacterLengthWithin(name, static_cast<size_t>(read[0].Got),
                                                                       sizeof name - 1);
    memcpy(e.Name, name, n);
    e.Name[n] = '\0';
  }
  auto number = [&](int i) {
    if (!read[i].Found || read[i].Got < 0) return 0;
    char* text = static_cast<char*>(read[i].Dest);
    text[read[i].Got] = '\0';
    return static_cast<int>(DecimalTextValue(text));
  };
  for (int i = 0; i < intKeys; ++i) *keys[i].field = number(i + 1);
  PackedTime stored = static_cast<PackedTime>(number(reads - 1));
  if (stored > e.LastRunTime) e.LastRunTime = stored;
}

// Builds the new list from the children of "Backup Set List", in database order.
BackupSetEntry* ReadBackupSets(DatabaseManager& db, int handle, int list) {
  BackupSetEntry* head = nullptr;
  BackupSetEntry** tail = &head;
  // A damaged children table could lead back to a set already read; the
  // enumeration ends there instead of growing the list without end.
  ObjectIdSet seen;
  for (int child = db.FirstChild(handle, list); child != -1;
       child = db.NextChild(handle, list, child)) {
    if (seen.Insert(static_cast<uint32_t>(child)) != 1) break;
    BackupSetEntry* e = new (std::nothrow) BackupSetEntry();
    if (e == nullptr) break;
    char number[kSetNameBufferSize];
    number[0] = '\0';
    if (db.ReadName(handle, child, number, static_cast<int>(sizeof number)) == -1) {
      e->SetNumber = 0;
    } else {
      number[sizeof number - 1] = '\0';
      e->SetNumber = DecimalTextValue(number);
    }
    ReadSetKeys(db, handle, child, *e);
    e->next = nullptr;
    *tail = e;
    tail = &e->next;
  }
  return head;
}

// The old entry that is the same set as e: the one with its set number, else
// the first of its name (names compared byte for byte). Names alone are not
// enough: two sets may share one, or both be unnamed.
const BackupSetEntry* SameSetIn(const BackupSetEntry* old, const BackupSetEntry& e) {
  for (const BackupSetEntry* o = old; o != nullptr; o = o->next)
    if (o->SetNumber == e.SetNumber) return o;
  for (const BackupSetEntry* o = old; o != nullptr; o = o->next)
    if (strcmp(e.Name, o->Name) == 0) return o;
  return nullptr;
}

// A set the scheduler launched keeps that time across a reload even while the
// stored time is older.
void CarryOverLastRunTimes(BackupSetEntry* fresh, const BackupSetEntry* old) {
  for (BackupSetEntry* e = fresh; e != nullptr; e = e->next) {
    const BackupSetEntry* o = SameSetIn(old, *e);
    if (o != nullptr && o->LastRunTime > e->LastRunTime) e->LastRunTime = o->LastRunTime;
  }
}

void ReadSettings(DatabaseManager& db, int handle, LoadedSettings& out) {
  int preferences = db.FindChild(handle, RootObjectId, kPreferencesObject);
  if (preferences != -1) {
    // A key that is missing reads as 0; the default stays in force instead.
    struct {
      const char* key;
      int* value;
    } const keys[] = {{"SettleTime", &out.Preferences.SettleTime},
                      {"PromptBeforeStarting", &out.Preferences.PromptBeforeStarting},
                      {"RunMissedBackups", &out.Preferences.RunMissedBackups},
                      {"DeferOnBattery", &out.Preferences.Defer.DeferOnBattery},
                      {"WakeOnBattery", &out.Preferences.Defer.WakeOnBattery},
                      {"DeferWhileFullScreen", &out.Preferences.Defer.DeferWhileFullScreen},
                      {"WaitForIdleMinutes", &out.Preferences.Defer.WaitForIdleMinutes},
                      {"DeferLimitMinutes", &out.Preferences.Defer.DeferLimitMinutes}};
    for (const auto& k : keys) {
      int value = 0;
      if (ReadIntKey(db, handle, preferences, k.key, value) == 0) *k.value = value;
    }
  }
  int list = db.FindChild(handle, RootObjectId, kBackupSetListObject);
  if (list != -1) {
    out.HaveList = true;
    out.List = ReadBackupSets(db, handle, list);
  }
}

}  // namespace

int32_t DecimalTextValue(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  uint32_t value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10u + static_cast<uint32_t>(*p - '0');
    ++p;
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

int ReadIntKey(DatabaseManager& db, int handle, int parent, const char* keyName, int& value) {
  value = 0;
  int key = db.FindChild(handle, parent, keyName);
  if (key == -1) return -1;
  char text[kIntKeyDataBytes + 1];
  int read = db.ReadData(handle, key, text, kIntKeyDataBytes);
  db.ReleaseObject(handle, key);
  if (read < 0) return 0;
  if (read > kIntKeyDataBytes) read = kIntKeyDataBytes;
  text[read] = '\0';
  value = DecimalTextValue(text);
  return 0;
}

int ReadTextKey(DatabaseManager& db, int handle, int parent, const char* keyName, char* buffer,
                int bufferSize) {
  if (buffer == nullptr || bufferSize <= 0) return -1;
  int key = db.FindChild(handle, parent, keyName);
  if (key == -1) return -1;
  // One byte more than is kept tells whether the text goes on; a text that
  // does is cut between characters, never inside a two-byte one.
  int read = db.ReadData(handle, key, buffer, bufferSize);
  if (read < 0) {
    buffer[0] = '\0';
  } else {
    if (read > bufferSize) read = bufferSize;
    read = static_cast<int>(WholeCharacterLengthWithin(buffer, static_cast<size_t>(read),
                                                       static_cast<size_t>(bufferSize - 1)));
    buffer[read] = '\0';
  }
  db.ReleaseObject(handle, key);
  return read;
}

int BuildClientConfigPath(const char* repository, char* out) {
  if (out == nullptr) return -1;
  return JoinPath(out, PathBufferSize, repository, kClientConfigFile) ? 0 : -1;
}

void LoadedSettings::Discard() {
  FreeBackupSetEntries(List);
  List = nullptr;
  HaveList = false;
  Preferences = SchedulerPreferences();
  WriteTime = 0;
  Size = 0;
}

int LoadSettingsFromDatabase(const char* databasePath, RetrySleepFunction sleep, SettingsLoadResult* why) {
  LoadedSettings fresh;
  const int result = ReadSettingsFromDatabase(databasePath, fresh, sleep, why);
  if (result == 0) PutSettingsInForce(fresh);
  return result;
}

int ReadSettingsFromDatabase(const char* databasePath, LoadedSettings& fresh, RetrySleepFunction sleep,
                             SettingsLoadResult* why) {
  SettingsLoadResult ignored;
  if (why == nullptr) why = &ignored;
  *why = SettingsLoadResult::Missing;
  fresh.Discard();
  if (databasePath == nullptr) return -1;
  if (sleep == nullptr) sleep = SleepMilliseconds;
  DatabaseManager* db = new (std::nothrow) DatabaseManager();
  FileManager* files = new (std::nothrow) FileManager();
  if (db == nullptr || files == nullptr) {
    delete db;
    delete files;
    *why = SettingsLoadResult::Unreadable;
    return -1;
  }
  if (files->FileExists(databasePath) != 1) {
    delete db;
    delete files;
    return -1;
  }

  // The load reads one version of the file, whole, into memory and parses it
  // there; what it read is used only once a second read after the parse finds
  // the file as it was. So it never mixes the blocks of two versions while
  // the main program saves in place, and a save going on at any time during
  // the parse is seen.
  FileSnapshot snapshot;
  SnapshotResult taken = SnapshotMissing;
  int attempts = 0, changes = 0;
  for (;;) {
    taken = ReadFileSnapshot(*files, databasePath, &snapshot);
    if (taken == SnapshotTaken) {
      const int handle = db->OpenDatabaseImage(databasePath, snapshot.Bytes, snapshot.Size);
      if (handle != -1) {
        ReadSettings(*db, handle, fresh);
        db->CloseDatabase(handle);
        taken = ConfirmFileSnapshot(*files, databasePath, &snapshot);
        if (taken == SnapshotTaken) break;
        fresh.Discard();
      } else {
        taken = SnapshotUnreadable;
      }
    }
    snapshot.Release();
    if (taken == SnapshotMissing) break;
    if (taken == SnapshotChanging) {
      // A save in progress: a short wait usually sees its end. One that goes
      // on is left to a later tick, with the list as it was.
      if (++changes >= SnapshotAttempts) break;
      sleep(SnapshotRetryMilliseconds);
      continue;
    }
    // A file nobody holds is tried once more (a writer may have been half
    // way), then taken as it is: waiting would not mend it.
    ++attempts;
    if (attempts >= DatabaseOpenAttempts || (taken != SnapshotLocked && attempts >= 2)) break;
    sleep(DatabaseOpenRetryMilliseconds);
  }
  const PackedTime loadedTime = snapshot.WriteTime;
  const size_t loadedSize = snapshot.Size;
  snapshot.Release();  // closes its file through files
  delete db;
  delete files;
  if (taken != SnapshotTaken) {
    switch (taken) {
      case SnapshotMissing: *why = SettingsLoadResult::Missing; break;
      case SnapshotLocked: *why = SettingsLoadResult::Locked; break;
      case SnapshotChanging: *why = SettingsLoadResult::Changing; break;
      default: *why = SettingsLoadResult::Unreadable; break;
    }
    return -1;
  }
  fresh.WriteTime = loadedTime;
  fresh.Size = static_cast<uint32_t>(loadedSize);
  *why = SettingsLoadResult::Loaded;
  return 0;
}

void PutSettingsInForce(LoadedSettings& fresh) {
  Preferences = fresh.Preferences;
  if (fresh.HaveList) {
    BackupSetEntry* old = BackupSetList;
    CarryOverLastRunTimes(fresh.List, old);
    BackupSetList = fresh.List;
    fresh.List = nullptr;
    fresh.HaveList = false;
    FreeBackupSetEntries(old);
  }
  // The loaded version's own time, so that a change made since is seen.
  LoadedConfigTime = fresh.WriteTime;
  LoadedConfigSize = fresh.Size;
}
