// What the timer tick would launch, minute by minute over a stretch of real
// calendar time: the start-up and time-schedule triggers evaluated once per
// minute at its second 0 (no settle time, no media or connect events).
// Serves the support tool that previews schedules.
#pragma once
#include <vector>

#include "scheduler/backup_set.h"
#include "scheduler/real_calendar.h"
#include "common/packed_time.h"
#include "scheduler/tick_trigger.h"

struct SimulatedLaunch {
  DateTimeParts Minute;  // wall-clock minute, Second 0
  int32_t SetNumber;
  LaunchTrigger Trigger;
  char Name[BackupSetNameLength + 1];
};

// Evaluates `minutes` consecutive minutes from start (its Second is taken as
// 0) for the sets from head, in list order per minute. A launched set takes
// that minute as its LastRunTime, as the tick does, so the entries change.
std::vector<SimulatedLaunch> SimulateScheduleTicks(BackupSetEntry* head, DateTimeParts start,
                                                   long minutes);
