// The tick's launch decision for one backup set.
#include "scheduler/tick_trigger.h"

#include "scheduler/schedule.h"

namespace {

bool RanToday(PackedTime lastRun, const DateTimeParts& parts) {
  if (lastRun == 0) return false;
  DateTimeParts last = {};
  DateTimeUtil::UnpackTime(lastRun, last);
  return last.Year == parts.Year && last.Month == parts.Month && last.Day == parts.Day;
}

}  // namespace

LaunchTrigger ChooseLaunchTrigger(const BackupSetEntry& e, const DateTimeParts& parts, int (*takeConnectEvent)()) {
  bool startup = e.ScheduleAtStartupFlag == 1 && !RanToday(e.LastRunTime, parts);
  if (e.ScheduleAtConnectFlag == 1 && takeConnectEvent && takeConnectEvent() == 1) return LaunchTrigger::Connect;
  if (startup) return LaunchTrigger::Startup;
  if (e.ScheduleAutomatic == 1 && IsDue(parts, e) == 1) return LaunchTrigger::Schedule;
  return LaunchTrigger::None;
}
