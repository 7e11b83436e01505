// Replays the tick's launch decisions over real wall-clock minutes.
#include "scheduler/schedule_simulation.h"

#include <string.h>

#include "scheduler/schedule.h"
#include "scheduler/tick_trigger.h"

namespace {

const int32_t kFirstYear = 1980;
const int32_t kLastYear = 2113;
const int32_t kMonthsPerYear = 12;
const int32_t kHoursPerDay = 24;
const int32_t kMinutesPerHour = 60;
const int32_t kDaysPerScaleMonth = 31;
const int64_t kSecondsPerMinute = 60;


}  // namespace

int DaysInRealMonth(int32_t year, int32_t month) {
  static const int kLengths[kMonthsPerYear] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > kMonthsPerYear) return 0;
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kLengths[month - 1];
}

int IsRealMinute(const DateTimeParts& p) {
  if (p.Year < kFirstYear || p.Year > kLastYear) return 0;
  if (p.Month < 1 || p.Month > kMonthsPerYear) return 0;
  if (p.Day < 1 || p.Day > DaysInRealMonth(p.Year, p.Month)) return 0;
  if (p.Hour < 0 || p.Hour >= kHoursPerDay) return 0;
  if (p.Minute < 0 || p.Minute >= kMinutesPerHour) return 0;
  // The packed scale ends on 2113-08-18 06:28:15; later minutes would wrap.
  const int64_t minuteOfScale =
      ((static_cast<int64_t>(p.Year - kFirstYear) * kMonthsPerYear + (p.Month - 1)) * kDaysPerScaleMonth +
       (p.Day - 1)) * kHoursPerDay * kMinutesPerHour + p.Hour * kMinutesPerHour + p.Minute;
  return minuteOfScale * kSecondsPerMinute <= static_cast<int64_t>(UINT32_MAX) ? 1 : 0;
}

void AdvanceWallClockMinute(DateTimeParts& p) {
  p.Second = 0;
  if (++p.Minute < kMinutesPerHour) return;
  p.Minute = 0;
  if (++p.Hour < kHoursPerDay) return;
  p.Hour = 0;
  if (++p.Day <= DaysInRealMonth(p.Year, p.Month)) return;
  p.Day = 1;
  if (++p.Month <= kMonthsPerYear) return;
  p.Month = 1;
  ++p.Year;
}

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
