// What the timer tick would do, minute by minute over a stretch of real
// calendar time: the start-up and time-schedule triggers evaluated once per
// minute at its second 0 (no media or connect events), and, when the computer
// is off for a while or the clock is moved, the daily runs that are missed
// (told, and made up when asked); given a power and input timeline, the runs
// held for it and the wakes the scheduler would arm. Serves the support tool
// that previews schedules and the tests of the missed-run and hold rules.
#pragma once
#include <vector>

#include "common/packed_time.h"
#include "schedule/deferred_runs.h"
#include "schedule/missed_runs.h"
#include "schedule/real_calendar.h"
#include "schedule/tick_trigger.h"
#include "settings/backup_set.h"

// What happens in one simulated minute to one set. A launch carries its
// trigger (and, for a held run, what it waited for); a missed run carries
// Trigger None and its count and last slot; a held run its trigger and why;
// a wake the slot it is armed for, or none.
struct SimulatedLaunch {
  DateTimeParts Minute;  // wall-clock minute, Second 0
  int32_t SetNumber;
  LaunchTrigger Trigger;
  char Name[BackupSetNameLength + 1];
  bool Missed = false;
  int MissedCount = 0;
  DateTimeParts LastMissed = {};
  MissedReason Reason = MissedReason::Asleep;
  bool Deferred = false;
  HoldReason Hold = HoldReason::None;
  unsigned WaitedFor = 0;  // a launch of a held run: HoldReasonBit of its reasons
  long WaitedMinutes = 0;
  bool LimitReached = false;
  bool Wake = false;          // the wake changed: armed for WakeSlot of this set,
  bool WakeArmed = false;     // or for none (the set is the one it would be for)
  DateTimeParts WakeSlot = {};
};

// A stretch of wall-clock time, from the first minute to the second (excluded).
struct SimulatedStretch {
  DateTimeParts From;
  DateTimeParts To;
};
// The computer is off from the first wall-clock minute to the second; at the
// second it starts again, and the settle time passes before it evaluates.
typedef SimulatedStretch SimulatedOff;

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
  // The timeline: on battery, a full-screen program in front, someone at the
  // keyboard (idle minutes count from the end of the last such stretch);
  // mains, nothing in front and nobody there otherwise.
  std::vector<SimulatedStretch> OnBattery, FullScreen, Busy;
  DeferPreferences Defer = {0, 0, 0, 0, 60};
  bool Wakes = false;  // report the wake armed whenever it changes
};

// Evaluates `minutes` consecutive minutes of real time from start (its Second
// is taken as 0) for the sets from head, in list order per minute. The
// scheduler is already running at start (no look-back there). A launched set
// takes that minute as its LastRunTime, as the tick does, so the entries change.
// Runs still held when the computer goes off count, at its next start, as
// missed for their reason.
std::vector<SimulatedLaunch> SimulateScheduleTicks(BackupSetEntry* head, DateTimeParts start, long minutes,
                                                   const SimulationOptions& options = SimulationOptions());
