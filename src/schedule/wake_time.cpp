// The wake rule: the slot, its universal time, and keeping a woken computer awake.
#include "schedule/wake_time.h"

#include "schedule/deferred_runs.h"
#include "schedule/missed_runs.h"
#include "schedule/real_calendar.h"
#include "schedule/schedule.h"

namespace {

const int64_t kSecondsPerDay = 86400;
const int64_t kSecondsPerMinute = 60;
// From 1601-01-01 to 1980-01-01, the start of the packed scale.
const int64_t kSeconds1601To1980 = 11960006400LL;
const int64_t kFileTimeUnitsPerSecond = 10000000;
// The real calendar's day 0, 1980-01-01, was a Tuesday.
const int64_t kWeekdayOfDayZero = 2;
// A slot passed this long without a launch will not come.
const int64_t kSlotGraceSeconds = 120;

// The local second of the real calendar at which a change happens in year, or
// -1 when it does not happen that year.
int64_t ChangeSecond(const ZoneChange& c, int32_t year) {
  if (c.Month < 1 || c.Month > 12) return -1;
  DateTimeParts day = {year, c.Month, 1, 0, 0, 0};
  if (c.Year != 0) {
    if (c.Year != year) return -1;
    day.Day = c.Day;
  } else {
    const int64_t first = RealDayNumber(day);
    const int64_t weekdayOfFirst = (first + kWeekdayOfDayZero) % 7;
    // The Day-th such weekday; 5 (or more) is the last of the month.
    const int64_t week = c.Day < 1 ? 1 : c.Day > 5 ? 5 : c.Day;
    const int64_t weekday = ((c.DayOfWeek % 7) + 7) % 7;
    int64_t d = 1 + (weekday - weekdayOfFirst + 7) % 7 + (week - 1) * 7;
    while (d > DaysInRealMonth(year, c.Month)) d -= 7;
    day.Day = static_cast<int32_t>(d);
  }
  return RealDayNumber(day) * kSecondsPerDay + (static_cast<int64_t>(c.Hour) * 60 + c.Minute) * kSecondsPerMinute;
}

}  // namespace

WakeChoice ChooseWake(const BackupSetEntry* head, PackedTime now, const DateTimeParts& parts) {
  WakeChoice choice = {nullptr, 0};
  for (const BackupSetEntry* e = head; e != nullptr; e = e->next) {
    if (e->ScheduleWakeFlag != 1 || !HasDailySlots(*e)) continue;
    const PackedTime slot = NextBackupTimeForSet(*e, now, parts);
    if (slot != 0 && (choice.Entry == nullptr || slot < choice.Slot)) choice = {e, slot};
  }
  return choice;
}

PackedTime WakeLocalTime(PackedTime slot, PackedTime now) {
  const PackedTime early = PackedFromRealSeconds(RealSeconds(slot) - WakeLeadSeconds);
  return early > now ? early : slot;
}

bool InDaylightTime(PackedTime local, const ZoneRules& zone) {
  if (zone.ToStandard.Month == 0 || zone.ToDaylight.Month == 0) return false;
  DateTimeParts parts;
  DateTimeUtil::UnpackTime(local, parts);
  const int64_t toDaylight = ChangeSecond(zone.ToDaylight, parts.Year);
  const int64_t toStandard = ChangeSecond(zone.ToStandard, parts.Year);
  if (toDaylight < 0 || toStandard < 0) return false;
  const int64_t t = RealSeconds(local);
  // Daylight time ends at ToStandard's hour read on the daylight clock, so
  // the repeated hour before it is still daylight time.
  if (toDaylight < toStandard) return t >= toDaylight && t < toStandard;
  return t >= toDaylight || t < toStandard;  // southern hemisphere: across the new year
}

int64_t UniversalSecondsOfLocal(PackedTime local, const ZoneRules& zone) {
  const int64_t bias = zone.Bias + (InDaylightTime(local, zone) ? zone.DaylightBias : zone.StandardBias);
  return kSeconds1601To1980 + RealSeconds(local) + bias * kSecondsPerMinute;
}

int64_t UniversalFileTimeOfLocal(PackedTime local, const ZoneRules& zone) {
  return UniversalSecondsOfLocal(local, zone) * kFileTimeUnitsPerSecond;
}

bool WakeIsForSlot(PackedTime slot, PackedTime now) {
  const int64_t apart = RealSeconds(slot) - RealSeconds(now);
  return apart <= static_cast<int64_t>(KeepAwakeNearSeconds) && apart >= -static_cast<int64_t>(kSlotGraceSeconds);
}

const char* KeepAwakeVerdict(KeepAwake& k, const AwakeFacts& f) {
  if (MillisecondsSince(f.UptimeMs, k.StartMs) >= KeepAwakeMaxMs) return "kept awake for 4 hours";
  if (!f.SetExists) return "nothing is due";
  if (f.HeldOnBattery) return "the run waits for mains power";
  if (f.LastRun >= k.Slot) {
    if (!k.Launched) {
      k.Launched = true;
      k.LaunchedMs = f.UptimeMs;
    }
    if (f.MainProgramRunning) {
      k.SawMainProgram = true;
      return nullptr;
    }
    if (k.SawMainProgram) return "the backup program has ended";
    if (MillisecondsSince(f.UptimeMs, k.LaunchedMs) >= KeepAwakeStartMs) return "the backup program did not start";
    return nullptr;
  }
  if (f.Held) return nullptr;
  if (RealSeconds(f.Now) - RealSeconds(k.Slot) > kSlotGraceSeconds) return "nothing is due";
  return nullptr;
}
