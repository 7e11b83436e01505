// "hdbtool schedule": previews what the scheduler would launch from a
// ClientConfig.hdb. The sets are loaded by the scheduler's own loader and the
// minutes are evaluated by the scheduler's own rules.
//
//   hdbtool schedule CLIENTCONFIG [--from "YYYY-MM-DD HH:MM"] [--days N]
//                   [--off "YYYY-MM-DD HH:MM" "YYYY-MM-DD HH:MM"]...
//
// First line: "next: YYYY-MM-DD HH:MM:SS" (the next backup time of the start
// minute, as the tray would show it: the minute of the next time-schedule
// launch) or "next: none"; then one line per launch:
// "YYYY-MM-DD HH:MM <set number> <schedule|startup|catch-up> "<name>"", and
// one per missed daily run, at the minute it is noticed:
// "YYYY-MM-DD HH:MM <set number> missed "<name>" <last missed minute> <count>".
// --off: the computer is off from the first minute to the second; it starts
// again at the second, and the file's settle time passes before the next
// evaluation, which looks back for missed runs; the file's RunMissedBackups
// decides whether they are made up.
#include "schedule_command.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "platform/bounded_text.h"
#include "common/packed_time.h"
#include "hdbtool_commands.h"
#include "schedule/minute_text.h"
#include "schedule/schedule.h"
#include "schedule/schedule_simulation.h"
#include "settings/settings.h"
#include "text_escape.h"

namespace {

const long kDefaultDays = 7;
// A bound that keeps the walk and its output finite (about ten years).
const long kMaxDays = 3660;
const long kMinutesPerDay = 1440;

const char kUsage[] =
    "usage: hdbtool schedule CLIENTCONFIG [--from \"YYYY-MM-DD HH:MM\"] [--days N]\n"
    "                        [--off \"YYYY-MM-DD HH:MM\" \"YYYY-MM-DD HH:MM\"]...\n";
// More off stretches than anyone previews; keeps the input bounded.
const size_t kMaxOff = 1000;

int UsageError(const char* message) {
  if (message != nullptr) fprintf(stderr, "hdbtool schedule: %s\n", message);
  fputs(kUsage, stderr);
  return ExitUsage;
}

// "YYYY-MM-DD HH:MM", exactly, naming a real minute.
bool ParseMinute(const char* text, DateTimeParts& out) {
  return strlen(text) == MinuteTextLength && ReadMinuteText(text, out);
}

// The minute of parts as every line shows it; withSeconds for the next time.
struct TimeText {
  TimeText(const DateTimeParts& parts, bool withSeconds) {
    TextBuilder b(text, sizeof text);
    AddTimeText(b, DateTimeUtil::PackTime(parts), withSeconds);
  }
  char text[24];
};

bool ParseDays(const char* text, long& out) {
  if (*text == '\0') return false;
  for (const char* p = text; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  if (strlen(text) > 6) return false;
  out = strtol(text, nullptr, 10);
  return out <= kMaxDays;
}


}  // namespace

int RunScheduleCommand(int argc, char** argv) {
  const char* database = nullptr;
  const char* from = nullptr;
  long days = kDefaultDays;
  SimulationOptions options;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      fputs(kUsage, stdout);
      return ExitClean;
    }
    if (strcmp(arg, "--from") == 0) {
      if (++i >= argc) return UsageError("--from needs \"YYYY-MM-DD HH:MM\"");
      from = argv[i];
    } else if (strcmp(arg, "--off") == 0) {
      if (i + 2 >= argc) return UsageError("--off needs two minutes, \"YYYY-MM-DD HH:MM\" \"YYYY-MM-DD HH:MM\"");
      SimulatedOff o;
      if (!ParseMinute(argv[i + 1], o.From) || !ParseMinute(argv[i + 2], o.To))
        return UsageError("--off needs real minutes as \"YYYY-MM-DD HH:MM\"");
      if (DateTimeUtil::PackTime(o.To) <= DateTimeUtil::PackTime(o.From))
        return UsageError("--off needs its second minute after its first");
      if (options.Off.size() >= kMaxOff) return UsageError("too many --off stretches");
      options.Off.push_back(o);
      i += 2;
    } else if (strcmp(arg, "--days") == 0) {
      if (++i >= argc) return UsageError("--days needs a number");
      if (!ParseDays(argv[i], days)) return UsageError("--days needs a number from 0 to 3660");
    } else if (arg[0] == '-' && arg[1] == '-') {
      return UsageError("unknown option");
    } else if (database == nullptr) {
      database = arg;
    } else {
      return UsageError("more than one database given");
    }
  }
  if (database == nullptr) return UsageError("no database given");

  DateTimeParts start;
  if (from != nullptr) {
    if (!ParseMinute(from, start)) return UsageError("--from needs a real minute as \"YYYY-MM-DD HH:MM\"");
  } else {
    DateTimeUtil clock;
    DateTimeUtil::UnpackTime(clock.CurrentPackedTime(), start);
    start.Second = 0;
  }

  if (LoadSettingsFromDatabase(database) != 0) {
    fprintf(stderr, "hdbtool schedule: cannot read %s\n", database);
    return ExitUsage;
  }

  const PackedTime startTime = DateTimeUtil::PackTime(start);
  const PackedTime next = NextBackupTime(BackupSetList, startTime, start);
  if (next == 0) {
    printf("next: none\n");
  } else {
    DateTimeParts n;
    DateTimeUtil::UnpackTime(next, n);
    printf("next: %s\n", TimeText(n, true).text);
  }

  options.SettleMinutes = SettleTime;
  options.RunMissed = RunMissedBackups;
  for (const SimulatedLaunch& l : SimulateScheduleTicks(BackupSetList, start, days * kMinutesPerDay, options)) {
    printf("%s %d ", TimeText(l.Minute, false).text, l.SetNumber);
    if (l.Missed)
      printf("missed %s %s %d\n", QuoteName(l.Name).c_str(), TimeText(l.LastMissed, false).text, l.MissedCount);
    else
      printf("%s %s\n", LaunchTriggerWord(l.Trigger), QuoteName(l.Name).c_str());
  }
  FreeBackupSetList();
  return fflush(stdout) == 0 ? ExitClean : ExitProblems;
}
