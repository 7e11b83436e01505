// What the timer tick would launch, minute by minute over a stretch of real
// calendar time: the start-up and time-schedule triggers evaluated once per
// minute at its second 0 (no settle time, no media or connect events).
// Serves the support tool that previews schedules.
#pragma once
#include <vector>

#include "scheduler/backup_set.h"
#include "common/packed_time.h"
#include "scheduler/tick_trigger.h"

struct SimulatedLaunch {
  DateTimeParts Minute;  // wall-clock minute, Second 0
  int32_t SetNumber;
  LaunchTrigger Trigger;
  char Name[BackupSetNameLength + 1];
};

// Days of a month on the real calendar (Gregorian leap years); 0 for a month
// outside 1 to 12.
int DaysInRealMonth(int32_t year, int32_t month);
// 1 when parts name a real date and time of day the packed scale can hold
// (1980 to 2113, seconds ignored), else 0.
int IsRealMinute(const DateTimeParts& parts);
// Moves parts one wall-clock minute on (28 Feb 23:59 -> 1 Mar 00:00 or 29 Feb).
void AdvanceWallClockMinute(DateTimeParts& parts);

// Evaluates `minutes` consecutive minutes from start (its Second is taken as
// 0) for the sets from head, in list order per minute. A launched set takes
// that minute as its LastRunTime, as the tick does, so the entries change.
std::vector<SimulatedLaunch> SimulateScheduleTicks(BackupSetEntry* head, DateTimeParts start,
                                                   long minutes);
