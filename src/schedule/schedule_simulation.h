// What the timer tick would do, minute by minute over a stretch of real
// calendar time: the start-up and time-schedule triggers evaluated once per
// minute at its second 0 (no media or connect events), and, when the computer
// is off for a while or the clock is moved, the daily runs that are missed
// (told, and made up when asked). Serves the support tool that previews
// schedules and the tests of the missed-run rule.
#pragma once
#include <vector>

#include "common/packed_time.h"
#include "schedule/missed_runs.h"
#include "schedule/real_calendar.h"
#include "schedule/tick_trigger.h"
#include "settings/backup_set.h"

// What happens in one simulated minute to one set. A launch carries its
// trigger; a missed run carries Trigger None and its count and last slot.
struct SimulatedLaunch {
  DateTimeParts Minute;  // wall-clock minute, Second 0
  int32_t SetNumber;
  LaunchTrigger Trigger;
  char Name[BackupSetNameLength + 1];
  bool Missed = false;
  int MissedCount = 0;
  DateTimeParts LastMissed = {};
  MissedReason Reason = MissedReason::Asleep;
};

// The computer is off from the first wall-clock minute to the second; at the
// second it starts again, and the settle time passes before it evaluates.
struct SimulatedOff {
  DateTimeParts From;
  DateTimeParts To;
};

// At wall-clock minute At the clock is set to To (forward: the minutes
// between are skipped; back: they come again).
struct SimulatedClockSet {
  DateTimeParts At;
  DateTimeParts To;
};

struct SimulationOptions {
  std::vector<SimulatedOff> Off;
  std::vector<SimulatedClockSet> ClockSets;
  int SettleMinutes = 0;  // after each start from Off
  int RunMissed = 0;      // the RunMissedBackups preference
};

// Evaluates `minutes` consecutive minutes of real time from start (its Second
// is taken as 0) for the sets from head, in list order per minute. The
// scheduler is already running at start (no look-back there). A launched set
// takes that minute as its LastRunTime, as the tick does, so the entries change.
std::vector<SimulatedLaunch> SimulateScheduleTicks(BackupSetEntry* head, DateTimeParts start, long minutes,
                                                   const SimulationOptions& options = SimulationOptions());
