// Real-calendar arithmetic for the schedules and their replay.
#include "schedule/real_calendar.h"

namespace {

const int32_t kFirstYear = 1980;
const int32_t kLastYear = 2113;
const int32_t kMonthsPerYear = 12;
const int32_t kDaysPerScaleMonth = 31;
const int64_t kSecondsPerMinute = 60;
const int64_t kDaysPer400Years = 146097;

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 1 March of year 0 (proleptic Gregorian) to the given date: the
// year is counted from March so that the leap day ends it.
int64_t DaysFromEra(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;
  const int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * kDaysPer400Years + dayOfEra;
}

const int64_t kEpoch = DaysFromEra(kFirstYear, 1, 1);

}  // namespace

int DaysInRealMonth(int32_t year, int32_t month) {
  static const int kLengths[kMonthsPerYear] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > kMonthsPerYear) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kLengths[month - 1];
}

int IsRealMinute(const DateTimeParts& p) {
  if (p.Year < kFirstYear || p.Year > kLastYear) return 0;
  if (p.Month < 1 || p.Month > kMonthsPerYear) return 0;
  if (p.Day < 1 || p.Day > DaysInRealMonth(p.Year, p.Month)) return 0;
  if (p.Hour < 0 || p.Hour >= HoursPerDay) return 0;
  if (p.Minute < 0 || p.Minute >= MinutesPerHour) return 0;
  // The packed scale ends on 2113-08-18 06:28:15; later minutes would wrap.
  const int64_t minuteOfScale =
      ((static_cast<int64_t>(p.Year - kFirstYear) * kMonthsPerYear + (p.Month - 1)) * kDaysPerScaleMonth +
       (p.Day - 1)) * HoursPerDay * MinutesPerHour + p.Hour * MinutesPerHour + p.Minute;
  return minuteOfScale * kSecondsPerMinute <= static_cast<int64_t>(UINT32_MAX) ? 1 : 0;
}

void AdvanceRealDay(DateTimeParts& p) {
  if (++p.Day <= DaysInRealMonth(p.Year, p.Month)) return;
  p.Day = 1;
  if (++p.Month <= kMonthsPerYear) return;
  p.Month = 1;
  ++p.Year;
}

void AdvanceWallClockMinute(DateTimeParts& p) {
  p.Second = 0;
  if (++p.Minute < MinutesPerHour) return;
  p.Minute = 0;
  if (++p.Hour < HoursPerDay) return;
  p.Hour = 0;
  AdvanceRealDay(p);
}

int64_t RealDayNumber(const DateTimeParts& p) {
  // Day 1 of the month, then the day as an offset: an impossible date runs on.
  return DaysFromEra(p.Year, p.Month, 1) + (static_cast<int64_t>(p.Day) - 1) - kEpoch;
}

void SetRealDate(int64_t dayNumber, DateTimeParts& p) {
  // Inverse of DaysFromEra.
  const int64_t z = dayNumber + kEpoch;
  const int64_t era = (z >= 0 ? z : z - (kDaysPer400Years - 1)) / kDaysPer400Years;
  const int64_t dayOfEra = z - era * kDaysPer400Years;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  p.Year = static_cast<int32_t>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  p.Month = static_cast<int32_t>(month);
  p.Day = static_cast<int32_t>(day);
}
