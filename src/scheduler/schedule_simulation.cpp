// Replays the tick's launch decisions over real wall-clock minutes.
#include "scheduler/schedule_simulation.h"

#include <string.h>

#include "scheduler/schedule.h"
#include "scheduler/tick_trigger.h"

std::vector<SimulatedLaunch> SimulateScheduleTicks(BackupSetEntry* head, DateTimeParts start,
                                                   long minutes) {
  std::vector<SimulatedLaunch> launches;
  DateTimeParts parts = start;
  parts.Second = 0;
  for (long i = 0; i < minutes; ++i, AdvanceWallClockMinute(parts)) {
    if (!IsRealMinute(parts)) break;
    const PackedTime now = DateTimeUtil::PackTime(parts);
    for (BackupSetEntry* e = head; e != nullptr; e = e->next) {
      // The replay has no drive events, so no set runs at connect.
      LaunchTrigger trigger = ChooseLaunchTrigger(*e, parts, nullptr);
      if (trigger == LaunchTrigger::None) continue;
      e->LastRunTime = now;
      SimulatedLaunch launch;
      launch.Minute = parts;
      launch.SetNumber = e->SetNumber;
      launch.Trigger = trigger;
      memcpy(launch.Name, e->Name, sizeof launch.Name);
      launch.Name[BackupSetNameLength] = '\0';
      launches.push_back(launch);
    }
  }
  return launches;
}
