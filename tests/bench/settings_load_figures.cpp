// Timing tool: how long the scheduler's settings load takes at 1, 100 and
// 1,000 backup sets of 21 keys each, how many blocks it reads and how many
// bytes that moves against the file's size. Built natively and for Windows
// (run under Wine), so that the same figures come from both file layers.
//   settings_load_figures [runs]
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "client_config_file.h"
#include "database/database_manager.h"
#include "scheduler/backup_set.h"
#include "scheduler/settings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The keys the loader reads for every set, in its order.
const char* const kSetKeys[] = {"Name", "BackupType", "ScheduleAutomatic", "ScheduleAtStartupFlag",
                                "ScheduleStartupDelay", "ScheduleAtShutdownFlag", "ScheduleAtConnectFlag",
                                "SchedulePerScheduleFlag", "ScheduleScheduledType", "ScheduleDaysFlags",
                                "ScheduleBackupTimeHour", "ScheduleBackupTimeMinute", "ScheduleAllDayFlag",
                                "ScheduleFrequency", "ScheduleStartTimeHour", "ScheduleStartTimeMinute",
                                "ScheduleEndTimeHour", "ScheduleEndTimeMinute", "TurnOffComputerFlag", "ExitFlag",
                                "LastRunDateTime"};

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

bool WriteConfig(const std::string& path, int sets) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "5"}, {"PromptBeforeStarting", "1"}};
  for (int s = 1; s <= sets; ++s) {
    testconfig::Keys keys;
    for (const char* key : kSetKeys) {
      std::string value = std::string(key) == "Name" ? "Backup set number " + std::to_string(s) : std::to_string(s % 60);
      keys.push_back({key, value});
    }
    config.AddSet(std::to_string(s), keys);
  }
  return config.Write(path);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? atoi(argv[1]) : 5;
  if (runs < 1) runs = 1;
  printf("%-6s %10s %12s %14s %14s %10s\n", "sets", "file bytes", "block reads", "bytes read", "amplification",
         "ms/load");
  for (int sets : {1, 100, 1000}) {
    std::string path = TempFile(sets);
    if (!WriteConfig(path, sets)) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 2;
    }
    std::vector<double> times;
    unsigned long reads = 0;
    for (int r = 0; r < runs; ++r) {
      FreeBackupSetList();
      ResetDatabaseBlockReads();
      auto start = std::chrono::steady_clock::now();
      if (LoadSettingsFromDatabase(path.c_str()) != 0) {
        fprintf(stderr, "load failed\n");
        return 1;
      }
      auto end = std::chrono::steady_clock::now();
      reads = DatabaseBlockReads();
      times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    long size = FileSize(path);
    double bytesRead = static_cast<double>(reads) * 256.0;
    printf("%-6d %10ld %12lu %14.0f %13.1fx %10.2f\n", sets, size, reads, bytesRead, bytesRead / size,
           times[times.size() / 2]);
    FreeBackupSetList();
    remove(path.c_str());
  }
  return 0;
}
