// The tick's launch decision for one backup set.
#include "schedule/tick_trigger.h"

#include "schedule/schedule.h"

namespace {

bool RanToday(PackedTime storedLastRun, const DateTimeParts& parts) {
  if (storedLastRun == 0) return false;
  DateTimeParts last = {};
  DateTimeUtil::UnpackTime(EffectiveLastRun(storedLastRun, parts), last);
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

const char* LaunchTriggerWord(LaunchTrigger trigger) {
  switch (trigger) {
    case LaunchTrigger::Schedule: return "schedule";
    case LaunchTrigger::Startup: return "startup";
    case LaunchTrigger::Connect: return "connect";
    case LaunchTrigger::CatchUp: return "catch-up";
    default: return "none";
  }
}
