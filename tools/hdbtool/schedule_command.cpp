// "hdbtool schedule": previews what the scheduler would launch from a
// ClientConfig.hdb. The sets are loaded by the scheduler's own loader and the
// minutes are evaluated by the scheduler's own rules.
//
//   hdbtool schedule CLIENTCONFIG [--from "YYYY-MM-DD HH:MM"] [--days N]
//                   [--off "YYYY-MM-DD HH:MM" "YYYY-MM-DD HH:MM"]...
//                   [--on-battery FROM TO]... [--full-screen FROM TO]...
//                   [--busy FROM TO]... [--power]
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
// The power and input timeline (--on-battery, --full-screen, --busy: someone
// at keyboard or mouse; --power alone: on mains throughout) shows the runs the
// file's DeferOnBattery, DeferWhileFullScreen and WaitForIdleMinutes hold,
// "... <set> deferred "<name>" <trigger> <reason>", their launches with
// " waited N min: <reasons>[; limit reached]" after the name, and each change
// of the wake: "... <set> wake "<name>" <slot>" or "... none: on battery".
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
    "                        [--off \"YYYY-MM-DD HH:MM\" \"YYYY-MM-DD HH:MM\"]...\n"
    "                        [--on-battery FROM TO]... [--full-screen FROM TO]... [--busy FROM TO]...\n"
    "                        [--power]\n";
// More stretches of one kind than anyone previews; keeps the input bounded.
const size_t kMaxStretches = 1000;

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

// The two minutes after argv[i] as a stretch, appended to out; i then names
// the second. A usage error's message, or null.
const char* ReadStretch(int argc, char** argv, int& i, std::vector<SimulatedStretch>& out) {
  if (i + 2 >= argc) return "needs two minutes, \"YYYY-MM-DD HH:MM\" \"YYYY-MM-DD HH:MM\"";
  SimulatedStretch s;
  if (!ParseMinute(argv[i + 1], s.From) || !ParseMinute(argv[i + 2], s.To))
    return "needs real minutes as \"YYYY-MM-DD HH:MM\"";
  if (DateTimeUtil::PackTime(s.To) <= DateTimeUtil::PackTime(s.From)) return "needs its second minute after its first";
  if (out.size() >= kMaxStretches) return "is given too often";
  out.push_back(s);
  i += 2;
  return nullptr;
}

// The stretches an option adds to, or null for any other argument.
std::vector<SimulatedStretch>* StretchesNamed(const char* arg, SimulationOptions& options) {
  const struct {
    const char* Option;
    std::vector<SimulatedStretch>* Stretches;
  } named[] = {{"--off", &options.Off},
               {"--on-battery", &options.OnBattery},
               {"--full-screen", &options.FullScreen},
               {"--busy", &options.Busy}};
  for (const auto& n : named)
    if (strcmp(arg, n.Option) == 0) return n.Stretches;
  return nullptr;
}

void PrintWaited(const SimulatedLaunch& l) {
  if (l.WaitedFor == 0) return;
  printf(" waited %ld min:", l.WaitedMinutes);
  const char* separator = " ";
  for (HoldReason r : {HoldReason::OnBattery, HoldReason::FullScreen, HoldReason::UserActive})
    if (l.WaitedFor & HoldReasonBit(r)) {
      printf("%s%s", separator, HoldReasonText(r));
      separator = ", ";
    }
  if (l.LimitReached) printf("; limit reached");
}

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
    } else if (std::vector<SimulatedStretch>* into = StretchesNamed(arg, options)) {
      if (const char* wrong = ReadStretch(argc, argv, i, *into)) {
        fprintf(stderr, "hdbtool schedule: %s %s\n", arg, wrong);
        return UsageError(nullptr);
      }
      // A timeline shows the runs it holds and the wakes.
      options.Wakes = options.Wakes || into != &options.Off;
    } else if (strcmp(arg, "--power") == 0) {
      options.Wakes = true;
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

  options.SettleMinutes = Preferences.SettleTime;
  options.RunMissed = Preferences.RunMissedBackups;
  // The file's waits apply only to a timeline that gives them cause.
  options.Defer = Preferences.Defer;
  for (const SimulatedLaunch& l : SimulateScheduleTicks(BackupSetList, start, days * kMinutesPerDay, options)) {
    printf("%s %d ", TimeText(l.Minute, false).text, l.SetNumber);
    if (l.Missed) {
      printf("missed %s %s %d\n", QuoteName(l.Name).c_str(), TimeText(l.LastMissed, false).text, l.MissedCount);
    } else if (l.Deferred) {
      printf("deferred %s %s %s\n", QuoteName(l.Name).c_str(), LaunchTriggerWord(l.Trigger), HoldReasonText(l.Hold));
    } else if (l.Wake) {
      if (l.WakeArmed) printf("wake %s %s\n", QuoteName(l.Name).c_str(), TimeText(l.WakeSlot, false).text);
      else printf("wake %s none: on battery\n", QuoteName(l.Name).c_str());
    } else {
      printf("%s %s", LaunchTriggerWord(l.Trigger), QuoteName(l.Name).c_str());
      PrintWaited(l);
      printf("\n");
    }
  }
  FreeBackupSetList();
  return fflush(stdout) == 0 ? ExitClean : ExitProblems;
}
