// The two schedule rules: IsDue decides launches; NextBackupTimeForSet names
// the minute at which the tick, asking IsDue minute by minute along the real
// calendar, will next launch the set, so the tooltip and the main program are
// told what will happen.
//
// All arithmetic on the stored fields is 32-bit and wraps (fields may hold any
// number); it is carried out unsigned so that no value is undefined behaviour.
// Spans of days are counted in 64 bits.
#include "schedule/schedule.h"

#include "schedule/real_calendar.h"

namespace {

const int kDaysPerWeek = 7;
const int32_t kTypeDailyAtTime = 0;
const int32_t kTypeEveryNMinutes = 1;

int32_t Wrap(uint32_t v) { return static_cast<int32_t>(v); }
int32_t Add(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t Sub(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

// hour x 60 + minute, wrapping.
int32_t MinuteOfDay(int32_t hour, int32_t minute) {
  return Wrap(static_cast<uint32_t>(hour) * static_cast<uint32_t>(MinutesPerHour) +
              static_cast<uint32_t>(minute));
}

bool WeekdayAllowed(int32_t daysFlags, int weekday) {
  return ((static_cast<uint32_t>(daysFlags) >> weekday) & 1u) != 0;
}

int WeekdayOf(const DateTimeParts& parts) {
  DateTimeUtil util;
  return util.DayOfWeek(parts);
}

bool SameDate(const DateTimeParts& a, const DateTimeParts& b) {
  return a.Day == b.Day && a.Month == b.Month && a.Year == b.Year;
}

bool RanToday(const BackupSetEntry& entry, const DateTimeParts& last, const DateTimeParts& parts) {
  return entry.LastRunTime != 0 && SameDate(last, parts);
}

// A set repeating at most once a day counts a run on any other day as
// yesterday's; a longer interval would never be reached that way, so it
// counts the real minutes since the last run, across days and month ends.
bool CountsRealElapsed(int32_t frequency) { return frequency > MinutesPerDay; }

// Minutes from the last run to minute m of day, for a longer interval.
int64_t RealElapsed(const DateTimeParts& last, const DateTimeParts& day, int32_t m) {
  return (RealDayNumber(day) - RealDayNumber(last)) * MinutesPerDay + m -
         MinuteOfDay(last.Hour, last.Minute);
}

// The first minute of day, not before `from`, from which a type-1 set has
// waited its interval and lies in its window; MinutesPerDay when none.
// Exactly the minutes IsDue accepts, as a bound to start looking from.
int32_t FirstIntervalMinute(const BackupSetEntry& e, const DateTimeParts& last,
                            const DateTimeParts& day, int32_t from) {
  if (e.LastRunTime == 0) return from;  // due at once, whatever the window
  const int64_t lm = MinuteOfDay(last.Hour, last.Minute);
  int64_t t;
  if (CountsRealElapsed(e.ScheduleFrequency))
    t = e.ScheduleFrequency - RealElapsed(last, day, 0);
  else if (SameDate(last, day))
    t = lm + e.ScheduleFrequency;
  else
    t = static_cast<int64_t>(e.ScheduleFrequency) - MinutesPerDay + lm;
  if (t < from) t = from;
  if (e.ScheduleAllDayFlag == 0) {
    const int32_t s = MinuteOfDay(e.ScheduleStartTimeHour, e.ScheduleStartTimeMinute);
    const int32_t end = MinuteOfDay(e.ScheduleEndTimeHour, e.ScheduleEndTimeMinute);
    if (s < end) {
      if (t < s) t = s;
      if (t > end) return MinutesPerDay;
    } else if (s > end && t >= end && t <= s) {
      t = static_cast<int64_t>(s) + 1;
    }
  }
  return t < MinutesPerDay ? static_cast<int32_t>(t) : MinutesPerDay;
}

}  // namespace

PackedTime EffectiveLastRun(PackedTime lastRun, const DateTimeParts& parts) {
  const PackedTime present = DateTimeUtil::PackTime(parts);
  return lastRun > present ? present : lastRun;
}

int IsDue(const DateTimeParts& parts, const BackupSetEntry& stored) {
  if (stored.SchedulePerScheduleFlag == 0) return 0;
  // A last run later than the present (the clock was set back) counts as a
  // run in the present minute; the stored time stays as it is.
  BackupSetEntry entry = stored;
  entry.LastRunTime = EffectiveLastRun(stored.LastRunTime, parts);
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
    if (CountsRealElapsed(entry.ScheduleFrequency)) {
      if (RealElapsed(last, parts, m) < entry.ScheduleFrequency) return 0;
    } else {
      // A run on any earlier day counts as if it had been yesterday.
      const int32_t elapsed = ranToday ? Sub(m, lm) : Add(Sub(MinutesPerDay, lm), m);
      if (elapsed < entry.ScheduleFrequency) return 0;
    }
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
  // Only what the tick launches by its time schedule is announced.
  if (entry.ScheduleAutomatic != 1 || entry.SchedulePerScheduleFlag == 0) return 0;
  const int32_t type = entry.ScheduleScheduledType;
  if (type != kTypeDailyAtTime && type != kTypeEveryNMinutes) return 0;

  DateTimeParts last = {};
  if (entry.LastRunTime != 0) DateTimeUtil::UnpackTime(entry.LastRunTime, last);

  // Never a time before now: the current minute only at its second 0.
  DateTimeParts day = parts;
  day.Hour = day.Minute = day.Second = 0;
  int32_t from = MinuteOfDay(parts.Hour, parts.Minute) + (parts.Second != 0 ? 1 : 0);

  // A long interval is not reached before the day on which it ends.
  if (type == kTypeEveryNMinutes && entry.LastRunTime != 0 &&
      CountsRealElapsed(entry.ScheduleFrequency)) {
    const int64_t dueDay = RealDayNumber(last) +
        (MinuteOfDay(last.Hour, last.Minute) + static_cast<int64_t>(entry.ScheduleFrequency)) /
            MinutesPerDay;
    if (dueDay > RealDayNumber(day)) {
      SetRealDate(dueDay, day);
      from = 0;
    }
  }

  // Every weekday comes round within a week of real days.
  for (int i = 0; i <= kDaysPerWeek; ++i, AdvanceRealDay(day), from = 0) {
    if (IsRealMinute(day) == 0) return 0;  // beyond the end of the packed scale
    if (!WeekdayAllowed(entry.ScheduleDaysFlags, WeekdayOf(day))) continue;
    int32_t m;
    int32_t lastCandidate;
    if (type == kTypeDailyAtTime) {
      m = MinuteOfDay(entry.ScheduleBackupTimeHour, entry.ScheduleBackupTimeMinute);
      if (m < from || m >= MinutesPerDay) continue;
      lastCandidate = m;
    } else {
      // Before a last run that lies ahead of now every minute is judged as
      // if the set had just run, which the bound below does not know.
      m = entry.LastRunTime > now ? from : FirstIntervalMinute(entry, last, day, from);
      lastCandidate = MinutesPerDay - 1;
    }
    for (; m <= lastCandidate; ++m) {
      DateTimeParts at = day;
      at.Hour = m / MinutesPerHour;
      at.Minute = m % MinutesPerHour;
      if (IsRealMinute(at) == 0) return 0;
      if (IsDue(at, entry) == 1) return DateTimeUtil::PackTime(at);
    }
  }
  return 0;
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
