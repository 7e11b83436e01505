// Loading the preferences and the backup sets from an opened ClientConfig.hdb.
// The scheduler only reads the file; the main program may hold it open too,
// so an open that fails is retried for a while.
#include "settings/settings.h"

#include <new>
#include <string.h>

#include "common/bounded_text.h"
#include "common/path_chars.h"
#include "common/retry_sleep.h"
#include "database/database_manager.h"
#include "database/file_manager.h"
#include "database/path_text.h"
#include "settings/object_id_set.h"

int SettleTime = DefaultSettleTime;
int PromptBeforeStarting = DefaultPromptBeforeStarting;
int RunMissedBackups = DefaultRunMissedBackups;
PackedTime LoadedConfigTime = 0;

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

// Reads one set's keys in the order the main program writes them.
void ReadSetKeys(DatabaseManager& db, int handle, int set, BackupSetEntry& e) {
  ReadTextKey(db, handle, set, "Name", e.Name, static_cast<int>(sizeof e.Name));
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
  };
  for (const auto& k : keys) {
    int value = 0;
    ReadIntKey(db, handle, set, k.key, value);
    *k.field = value;
  }
  int lastRun = 0;
  ReadIntKey(db, handle, set, "LastRunDateTime", lastRun);
  PackedTime stored = static_cast<PackedTime>(lastRun);
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

// Whether a database that would not open is held by another program without
// sharing (worth trying again soon) rather than unreadable as it stands.
bool HeldByAnotherProgram(FileManager& files, const char* path) {
  int file = files.FileOpen(path, OpenReadOnly | OpenDetailedErrors);
  if (file >= 0) {
    files.FileClose(file);
    return false;
  }
  return file == FileErrorSharing;
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
  if (repository == nullptr || out == nullptr) return -1;
  if (!CopyBounded(out, PathBufferSize, repository)) return -1;
  if (out[0] != '\0') {
    AppendBackslash(out, PathBufferSize);
    // Without room for the separator the text is left as it was; such a path
    // cannot name the file.
    const char* last = LastCharacter(out);
    if (*last != '\\' && *last != '/') return -1;
  }
  if (!AppendBounded(out, PathBufferSize, kClientConfigFile)) return -1;
  return 0;
}

int LoadSettingsFromDatabase(const char* databasePath, RetrySleepFunction sleep, SettingsLoadResult* why) {
  SettingsLoadResult ignored;
  if (why == nullptr) why = &ignored;
  *why = SettingsLoadResult::Missing;
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

  int handle = -1;
  bool held = false;
  for (int attempt = 1; attempt <= DatabaseOpenAttempts; ++attempt) {
    handle = db->OpenDatabase(databasePath, OpenReadOnly);
    if (handle != -1) break;
    // A file nobody holds is tried once more (a writer may have been half
    // way), then taken as it is: waiting would not mend it.
    held = HeldByAnotherProgram(*files, databasePath);
    if (!held && attempt >= 2) break;
    if (attempt < DatabaseOpenAttempts) sleep(DatabaseOpenRetryMilliseconds);
  }
  if (handle == -1) {
    *why = held ? SettingsLoadResult::Locked : SettingsLoadResult::Unreadable;
    delete db;
    delete files;
    return -1;
  }

  SettleTime = DefaultSettleTime;
  PromptBeforeStarting = DefaultPromptBeforeStarting;
  RunMissedBackups = DefaultRunMissedBackups;
  int preferences = db->FindChild(handle, RootObjectId, kPreferencesObject);
  if (preferences != -1) {
    // A key that is missing reads as 0; the default stays in force instead.
    struct {
      const char* key;
      int* value;
    } const keys[] = {{"SettleTime", &SettleTime},
                      {"PromptBeforeStarting", &PromptBeforeStarting},
                      {"RunMissedBackups", &RunMissedBackups}};
    for (const auto& k : keys) {
      int value = 0;
      if (ReadIntKey(*db, handle, preferences, k.key, value) == 0) *k.value = value;
    }
  }

  int list = db->FindChild(handle, RootObjectId, kBackupSetListObject);
  if (list != -1) {
    BackupSetEntry* old = BackupSetList;
    BackupSetEntry* fresh = ReadBackupSets(*db, handle, list);
    CarryOverLastRunTimes(fresh, old);
    BackupSetList = fresh;
    FreeBackupSetEntries(old);
  }

  db->CloseDatabase(handle);
  LoadedConfigTime = files->FileWriteTime(databasePath);
  delete db;
  delete files;
  *why = SettingsLoadResult::Loaded;
  return 0;
}
