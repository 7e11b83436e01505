// How the database engine performs for the scheduler's settings load (1,000
// backup sets of 21 keys each, read key by key) and for a lookup among 10,000
// children. Besides time, each benchmark reports the engine's block reads, the
// bytes they moved and the file's size.
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "database/database_manager.h"
#include "database/object_writer.h"

namespace {

const int BackupSets = 1000;
const char* const SetKeys[] = {
    "Name", "Description", "Enabled", "ScheduleType", "ScheduleDaysFlags", "ScheduleHour", "ScheduleMinute",
    "ScheduleInterval", "ScheduleMonthDay", "RunAtShutdown", "RunAtLogon", "LastRunDateTime", "NextRunDateTime",
    "PromptBeforeStarting", "Compression", "Encryption", "Destination", "SourceCount", "ExcludeCount",
    "RetentionDays", "Verify"};
const int KeysPerSet = sizeof SetKeys / sizeof SetKeys[0];
const int ManyChildren = 10000;

std::string TempPath(const char* name) { return "/tmp/twdb-bench-" + std::to_string(getpid()) + "-" + name; }

long FileSize(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  fseek(f, 0, SEEK_END);
  long size = ftell(f);
  fclose(f);
  return size;
}

// Writes a tree once per process; the file is removed at exit.
class BenchDatabase {
 public:
  BenchDatabase(const char* name, const ObjectNode& tree) : path_(TempPath(name)) {
    DatabaseManager db;
    int h = db.OpenDatabase(path_.c_str(), OpenCreate);
    if (h < 0 || WriteObjectTree(db, h, tree) != 0) abort();
    db.CloseDatabase(h);
  }
  ~BenchDatabase() { remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const BenchDatabase& SettingsDatabase() {
  static const BenchDatabase db("settings.hdb", [] {
    ObjectNode root;
    ObjectNode list{"Backup Set List", "", {}};
    for (int s = 0; s < BackupSets; ++s) {
      ObjectNode set{"Backup Set " + std::to_string(s + 1), "", {}};
      for (int k = 0; k < KeysPerSet; ++k) set.Children.push_back({SetKeys[k], std::to_string(s * 100 + k), {}});
      list.Children.push_back(std::move(set));
    }
    root.Children.push_back(std::move(list));
    root.Children.push_back({"Preferences", "", {{"SettleTime", "5", {}}, {"PromptBeforeStarting", "1", {}}}});
    return root;
  }());
  return db;
}

const BenchDatabase& WideDatabase() {
  static const BenchDatabase db("wide.hdb", [] {
    ObjectNode root;
    ObjectNode parent{"Wide", "", {}};
    for (int i = 0; i < ManyChildren; ++i) parent.Children.push_back({"Child " + std::to_string(i), "x", {}});
    root.Children.push_back(std::move(parent));
    return root;
  }());
  return db;
}

void ReportIo(benchmark::State& state, unsigned long reads, const std::string& path) {
  double perIteration = (double)reads / (double)state.iterations();
  state.counters["block_reads"] = perIteration;
  state.counters["bytes_read"] = perIteration * 256;
  state.counters["file_bytes"] = (double)FileSize(path);
}

// The settings loader's way: find the list, enumerate the sets, and read every
// key with FindChild + ReadData + ReleaseObject.
void BM_LoadBackupSets(benchmark::State& state) {
  const std::string& path = SettingsDatabase().Path();
  DatabaseManager db;
  ResetDatabaseBlockReads();
  for (auto _ : state) {
    int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
    int list = db.FindChild(h, RootObjectId, "Backup Set List");
    int sets = 0;
    char value[64];
    for (int set = db.FirstChild(h, list); set != -1; set = db.NextChild(h, list, set)) {
      for (int k = 0; k < KeysPerSet; ++k) {
        int key = db.FindChild(h, set, SetKeys[k]);
        benchmark::DoNotOptimize(db.ReadData(h, key, value, sizeof value - 1));
        db.ReleaseObject(h, key);
      }
      ++sets;
    }
    db.CloseDatabase(h);
    if (sets != BackupSets) state.SkipWithError("wrong number of sets");
  }
  ReportIo(state, DatabaseBlockReads(), path);
}
BENCHMARK(BM_LoadBackupSets)->Unit(benchmark::kMillisecond);

void BM_FindChildAmong10000(benchmark::State& state) {
  const std::string& path = WideDatabase().Path();
  DatabaseManager db;
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  int parent = db.FindChild(h, RootObjectId, "Wide");
  std::string name = "Child " + std::to_string(state.range(0));
  ResetDatabaseBlockReads();
  for (auto _ : state) {
    int id = db.FindChild(h, parent, name.c_str());
    if (id < 0) state.SkipWithError("child not found");
    benchmark::DoNotOptimize(id);
  }
  ReportIo(state, DatabaseBlockReads(), path);
  db.CloseDatabase(h);
}
BENCHMARK(BM_FindChildAmong10000)->Arg(0)->Arg(5000)->Arg(9999)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
