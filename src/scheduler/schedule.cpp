// The two schedule rules. They are independent computations and do not have to
// agree on every minute: IsDue decides launches, NextBackupTimeForSet only what
// the tooltip and the main program are told.
//
// All arithmetic on the stored fields is 32-bit and wraps (fields may hold any
// number); it is carried out unsigned so that no value is undefined behaviour.
#include "scheduler/schedule.h"

namespace {

const int32_t kMinutesPerHour = 60;
const int32_t kMinutesPerDay = 1440;
const int32_t kHoursPerDay = 24;
const uint32_t kSecondsPerDay = 86400;
const int kDaysPerWeek = 7;
const int32_t kTypeDailyAtTime = 0;
const int32_t kTypeEveryNMinutes = 1;

int32_t Wrap(uint32_t v) { return static_cast<int32_t>(v); }
int32_t Add(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t Sub(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

// hour x 60 + minute, wrapping.
int32_t MinuteOfDay(int32_t hour, int32_t minute) {
  return Wrap(static_cast<uint32_t>(hour) * static_cast<uint32_t>(kMinutesPerHour) +
              static_cast<uint32_t>(minute));
}

bool WeekdayAllowed(int32_t daysFlags, int weekday) {
  return ((static_cast<uint32_t>(daysFlags) >> weekday) & 1u) != 0;
}

int WeekdayOf(const DateTimeParts& parts) {
  DateTimeUtil util;
  return util.DayOfWeek(parts);
}

bool RanToday(const BackupSetEntry& entry, const DateTimeParts& last, const DateTimeParts& parts) {
  return entry.LastRunTime != 0 && last.Day == parts.Day && last.Month == parts.Month &&
         last.Year == parts.Year;
}

}  // namespace

int IsDue(const DateTimeParts& parts, const BackupSetEntry& entry) {
  if (entry.SchedulePerScheduleFlag == 0) return 0;
  if (!WeekdayAllowed(entry.ScheduleDaysFlags, WeekdayOf(parts))) return 0;

  const int32_t m = MinuteOfDay(parts.Hour, parts.Minute);
  DateTimeParts last = {};
  if (entry.LastRunTime != 0) DateTimeUtil::UnpackTime(entry.LastRunTime, last);
  const int32_t lm = MinuteOfDay(last.Hour, last.Minute);
  const bool ranToday = RanToday(entry, last, parts);

  if (entry.ScheduleScheduledType == kTypeDailyAtTime) {
    const int32_t b = MinuteOfDay(entry.ScheduleBackupTimeHour, entry.ScheduleBackupTimeMinute);
    if (m != b) return 0;
    if (entry.LastRunTime == 0) return 1;
    if (!ranToday) return 1;
    // Launched in this very minute already today.
    return lm == b ? 0 : 1;
  }

  if (entry.ScheduleScheduledType == kTypeEveryNMinutes) {
    if (entry.LastRunTime == 0) return 1;
    // A run on any earlier day counts as if it had been yesterday.
    const int32_t elapsed = ranToday ? Sub(m, lm) : Add(Sub(kMinutesPerDay, lm), m);
    if (elapsed < entry.ScheduleFrequency) return 0;
    if (entry.ScheduleAllDayFlag != 0) return 1;
    const int32_t s = MinuteOfDay(entry.ScheduleStartTimeHour, entry.ScheduleStartTimeMinute);
    const int32_t e = MinuteOfDay(entry.ScheduleEndTimeHour, entry.ScheduleEndTimeMinute);
    if (s == e) return 1;
    if (s < e) return (s <= m && m <= e) ? 1 : 0;
    // Across midnight, both ends excluded.
    return (m > s || m < e) ? 1 : 0;
  }

  return 0;
}

PackedTime NextBackupTimeForSet(const BackupSetEntry& entry, PackedTime now,
                                const DateTimeParts& parts) {
  if (entry.ScheduleAutomatic == 0 || entry.SchedulePerScheduleFlag == 0) return 0;

  int32_t c = MinuteOfDay(parts.Hour, parts.Minute);
  int32_t d = 0;
  if (!WeekdayAllowed(entry.ScheduleDaysFlags, WeekdayOf(parts))) {
    // Today is not allowed: look at the following day from its beginning.
    c = 0;
    d = 1;
  }

  int32_t h;
  int32_t n;
  if (entry.ScheduleScheduledType == kTypeDailyAtTime) {
    h = entry.ScheduleBackupTimeHour;
    n = entry.ScheduleBackupTimeMinute;
    if (MinuteOfDay(h, n) <= c) d = Add(d, 1);
  } else {
    DateTimeParts last = {};
    if (entry.LastRunTime != 0) DateTimeUtil::UnpackTime(entry.LastRunTime, last);
    if (!RanToday(entry, last, parts)) {
      h = parts.Hour;
      n = parts.Minute;
    } else {
      const int32_t t = Add(entry.ScheduleFrequency, MinuteOfDay(last.Hour, last.Minute));
      // Truncating division; a frequency above a day leaves h above 23 even
      // after this step, and packing carries it into the following days.
      n = t % kMinutesPerHour;
      h = t / kMinutesPerHour;
      if (h >= kHoursPerDay) {
        h -= kHoursPerDay;
        d = Add(d, 1);
      }
    }
    // The window tests the minute looked at, not the candidate.
    const int32_t s = MinuteOfDay(entry.ScheduleStartTimeHour, entry.ScheduleStartTimeMinute);
    const int32_t e = MinuteOfDay(entry.ScheduleEndTimeHour, entry.ScheduleEndTimeMinute);
    if (entry.ScheduleAllDayFlag == 0 && s != e) {
      if (s < e) {
        if (c < s) {
          h = entry.ScheduleStartTimeHour;
          n = entry.ScheduleStartTimeMinute;
        }
        if (c > e) {
          h = entry.ScheduleStartTimeHour;
          n = entry.ScheduleStartTimeMinute;
          d = Add(d, 1);
        }
      } else if (e <= c && c <= s) {
        h = entry.ScheduleStartTimeHour;
        n = entry.ScheduleStartTimeMinute;
      }
    }
  }

  PackedTime candidate = PackTime(parts.Year, parts.Month, parts.Day, h, n, 0) +
                         static_cast<uint32_t>(d) * kSecondsPerDay;

  // Month ends of the 31-day scale, corrected once.
  DateTimeParts cp = {};
  DateTimeUtil::UnpackTime(candidate, cp);
  if (cp.Month == 2 && cp.Day >= 29) {
    candidate = PackTime(cp.Year, 3, cp.Day - 28, cp.Hour, cp.Minute, cp.Second);
  } else if ((cp.Month == 4 || cp.Month == 6 || cp.Month == 9 || cp.Month == 11) && cp.Day > 30) {
    candidate += kSecondsPerDay;
  }

  // Walk to an allowed weekday along the scale, counting weekdays on from the
  // corrected date without correcting month ends again.
  DateTimeUtil::UnpackTime(candidate, cp);
  const int w = WeekdayOf(cp);
  for (int i = 0; i < kDaysPerWeek; ++i) {
    if (WeekdayAllowed(entry.ScheduleDaysFlags, (w + i) % kDaysPerWeek)) break;
    candidate += kSecondsPerDay;
  }

  if (candidate >= now) return candidate;
  // Never a time in the past: the start of the next minute.
  return PackTime(parts.Year, parts.Month, parts.Day, parts.Hour, Add(parts.Minute, 1), 0);
}

PackedTime NextBackupTime(const BackupSetEntry* head, PackedTime now, const DateTimeParts& parts) {
  PackedTime result = 0;
  for (const BackupSetEntry* e = head; e != nullptr; e = e->next) {
    PackedTime t = NextBackupTimeForSet(*e, now, parts);
    if (t != 0 && (result == 0 || t < result)) result = t;
  }
  return result;
}

PackedTime NextBackupTime(PackedTime now, const DateTimeParts& parts) {
  return NextBackupTime(BackupSetList, now, parts);
}
