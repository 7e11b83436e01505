// Timing tool: how long the scheduler's settings load takes at 1, 100 and
// 1,000 backup sets of 21 keys each, how many blocks and read calls it makes
// and how many bytes that moves against the file's size, and how long 20,000
// children take to enumerate. Built natively and for Windows (run under Wine),
// so that the same figures come from both file layers. The native benchmark
// build also times the same sets and keys in SQLite (a WITHOUT ROWID key-value
// table: the 21 lookups per set inside one read transaction, and a full scan),
// printed beside the engine's figures. The heap a load holds at its peak is
// counted by this program's own operator new, against the file's size; "of
// it: reads" times the snapshot alone (the file read and confirmed, no parse).
//   settings_load_figures [runs]
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <string>
#include <vector>

#include "client_config_file.h"
#include "platform/sleep.h"
#include "database/database_manager.h"
#include "database/file_snapshot.h"
#include "database/object_writer.h"
#include "settings/backup_set.h"
#include "settings/settings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif
#if TW_HAVE_SQLITE
#include <sqlite3.h>
#endif

// Every allocation carries its size in front, so that the bytes held now and
// at the peak are known.
namespace {
const size_t kSizeRoom = 16;  // keeps the returned block aligned
size_t g_heldBytes = 0;
size_t g_peakBytes = 0;

void* Allocate(size_t size) {
  unsigned char* p = static_cast<unsigned char*>(malloc(size + kSizeRoom));
  if (!p) return nullptr;
  *reinterpret_cast<size_t*>(p) = size;
  g_heldBytes += size;
  if (g_heldBytes > g_peakBytes) g_peakBytes = g_heldBytes;
  return p + kSizeRoom;
}
}  // namespace

// The Windows build has no exceptions: a failed plain new ends the run.
void* operator new(size_t size) {
  void* p = Allocate(size);
  if (!p) abort();
  return p;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept {
  if (!block) return;
  unsigned char* p = static_cast<unsigned char*>(block) - kSizeRoom;
  g_heldBytes -= *reinterpret_cast<size_t*>(p);
  free(p);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

namespace {

// The keys the loader reads for every set, in its order.
const char* const kSetKeys[] = {"Name", "BackupType", "ScheduleAutomatic", "ScheduleAtStartupFlag",
                                "ScheduleStartupDelay", "ScheduleAtShutdownFlag", "ScheduleAtConnectFlag",
                                "SchedulePerScheduleFlag", "ScheduleScheduledType", "ScheduleDaysFlags",
                                "ScheduleBackupTimeHour", "ScheduleBackupTimeMinute", "ScheduleAllDayFlag",
                                "ScheduleFrequency", "ScheduleStartTimeHour", "ScheduleStartTimeMinute",
                                "ScheduleEndTimeHour", "ScheduleEndTimeMinute", "TurnOffComputerFlag", "ExitFlag",
                                "LastRunDateTime"};

const int ManyChildren = 20000;

std::string TempFile(int sets) {
#ifdef _WIN32
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + "twfigures-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(sets) + ".hdb";
#else
  return "/tmp/twfigures-" + std::to_string(getpid()) + "-" + std::to_string(sets) + ".hdb";
#endif
}

long FileSize(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  fseek(f, 0, SEEK_END);
  long size = ftell(f);
  fclose(f);
  return size;
}

std::string KeyValue(const char* key, int set) {
  return std::string(key) == "Name" ? "Backup set number " + std::to_string(set) : std::to_string(set % 60);
}

bool WriteConfig(const std::string& path, int sets) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "5"}, {"PromptBeforeStarting", "1"}};
  for (int s = 1; s <= sets; ++s) {
    testconfig::Keys keys;
    for (const char* key : kSetKeys) keys.push_back({key, KeyValue(key, s)});
    config.AddSet(std::to_string(s), keys);
  }
  return config.Write(path);
}

template <typename Work>
double MedianMs(int runs, Work work) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    auto start = std::chrono::steady_clock::now();
    if (!work()) return -1;
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// One object with ManyChildren children, enumerated with FirstChild/NextChild:
// from a snapshot (read, parsed from memory, confirmed, as loads read), or by
// a reader of the file itself (which looks at the file in every call).
double EnumerationMs(int runs, bool snapshot) {
  std::string path = TempFile(0);
  std::vector<ObjectNode> children(ManyChildren);
  for (int i = 0; i < ManyChildren; ++i) children[(size_t)i].Name = "child " + std::to_string(i);
  if (!testconfig::WriteDatabase(path, testconfig::Root({testconfig::Node("Many", children)}))) return -1;
  SleepMilliseconds(2 * SnapshotSettleMilliseconds);
  double ms = MedianMs(runs, [&] {
    DatabaseManager db;
    FileManager files;
    FileSnapshot image;
    int h = -1;
    if (!snapshot) h = db.OpenDatabase(path.c_str(), OpenReadOnly);
    else if (ReadFileSnapshot(files, path.c_str(), &image) == SnapshotTaken)
      h = db.OpenDatabaseImage(path.c_str(), image.Bytes, image.Size);
    int parent = db.FindChild(h, RootObjectId, "Many");
    int count = 0;
    for (int id = db.FirstChild(h, parent); id != -1; id = db.NextChild(h, parent, id)) ++count;
    db.CloseDatabase(h);
    if (snapshot && ConfirmFileSnapshot(files, path.c_str(), &image) != SnapshotTaken) return false;
    return count == ManyChildren;
  });
  remove(path.c_str());
  return ms;
}

#if TW_HAVE_SQLITE
bool WriteSqlite(const std::string& path, int sets) {
  remove(path.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
  bool ok = sqlite3_exec(db,
                         "CREATE TABLE kv(set_id INTEGER, key TEXT, value TEXT, PRIMARY KEY(set_id, key)) "
                         "WITHOUT ROWID; BEGIN",
                         nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_stmt* insert = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "INSERT INTO kv VALUES(?,?,?)", -1, &insert, nullptr) == SQLITE_OK;
  for (int s = 1; ok && s <= sets; ++s) {
    for (const char* key : kSetKeys) {
      std::string value = KeyValue(key, s);
      sqlite3_bind_int(insert, 1, s);
      sqlite3_bind_text(insert, 2, key, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 3, value.c_str(), -1, SQLITE_TRANSIENT);
      ok = sqlite3_step(insert) == SQLITE_DONE;
      sqlite3_reset(insert);
    }
  }
  sqlite3_finalize(insert);
  ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

// Opens, reads every key of every set by point lookup in one read
// transaction, closes: the same work as the settings load.
bool SqliteLookups(const std::string& path, int sets) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return false;
  sqlite3_stmt* get = nullptr;
  bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT value FROM kv WHERE set_id=? AND key=?", -1, &get, nullptr) == SQLITE_OK;
  int found = 0;
  for (int s = 1; ok && s <= sets; ++s) {
    for (const char* key : kSetKeys) {
      sqlite3_bind_int(get, 1, s);
      sqlite3_bind_text(get, 2, key, -1, SQLITE_STATIC);
      if (sqlite3_step(get) == SQLITE_ROW && sqlite3_column_bytes(get, 0) > 0) ++found;
      sqlite3_reset(get);
    }
  }
  sqlite3_finalize(get);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return ok && found == sets * (int)(sizeof kSetKeys / sizeof kSetKeys[0]);
}

bool SqliteScan(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return false;
  sqlite3_stmt* all = nullptr;
  bool ok = sqlite3_prepare_v2(db, "SELECT set_id, key, value FROM kv", -1, &all, nullptr) == SQLITE_OK;
  long bytes = 0;
  while (ok && sqlite3_step(all) == SQLITE_ROW) bytes += sqlite3_column_bytes(all, 2);
  sqlite3_finalize(all);
  sqlite3_close(db);
  return ok && bytes > 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? atoi(argv[1]) : 5;
  if (runs < 1) runs = 1;
  printf("%-6s %10s %12s %10s %14s %14s %10s %10s %13s %14s %12s\n", "sets", "file bytes", "block reads", "file reads",
         "bytes read", "amplification", "peak heap", "ms/load", "of it: reads", "sqlite lookup", "sqlite scan");
  for (int sets : {1, 100, 1000}) {
    std::string path = TempFile(sets);
    if (!WriteConfig(path, sets)) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 2;
    }
    // A file written moments ago is confirmed only once it has been quiet a
    // little while (file_snapshot.h); the scheduler loads files saved seconds
    // before. Time the load of a settled file.
    SleepMilliseconds(2 * SnapshotSettleMilliseconds);
    unsigned long reads = 0, fileReads = 0;
    size_t peak = 0;
    double ms = MedianMs(runs, [&] {
      FreeBackupSetList();
      ResetDatabaseBlockReads();
      g_peakBytes = g_heldBytes;
      const size_t before = g_heldBytes;
      if (LoadSettingsFromDatabase(path.c_str()) != 0) return false;
      peak = g_peakBytes - before;
      reads = DatabaseBlockReads();
      fileReads = DatabaseFileReads();
      return true;
    });
    if (ms < 0) {
      fprintf(stderr, "load failed\n");
      return 1;
    }
    // The part of a load that reads and confirms the file, without the parse.
    FileManager files;
    FileSnapshot snapshot;
    double readMs = MedianMs(runs, [&] { return TakeFileSnapshot(files, path.c_str(), &snapshot) == SnapshotTaken; });
    snapshot.Release();
    long size = FileSize(path);
    double bytesRead = static_cast<double>(reads) * 256.0;
    char lookup[32] = "-", scan[32] = "-";
#if TW_HAVE_SQLITE
    std::string sqlitePath = path + ".sqlite";
    if (WriteSqlite(sqlitePath, sets)) {
      snprintf(lookup, sizeof lookup, "%.2f", MedianMs(runs, [&] { return SqliteLookups(sqlitePath, sets); }));
      snprintf(scan, sizeof scan, "%.2f", MedianMs(runs, [&] { return SqliteScan(sqlitePath); }));
    }
    remove(sqlitePath.c_str());
#endif
    printf("%-6d %10ld %12lu %10lu %14.0f %13.1fx %9.2fx %10.2f %13.2f %14s %12s\n", sets, size, reads, fileReads,
           bytesRead, bytesRead / size, static_cast<double>(peak) / size, ms, readMs, lookup, scan);
    FreeBackupSetList();
    remove(path.c_str());
  }
  printf("%d children enumerated (open, FirstChild/NextChild, close): %.2f ms from a snapshot, %.2f ms by a reader of the file\n",
         ManyChildren, EnumerationMs(runs, true), EnumerationMs(runs, false));
  return 0;
}
