// Conversions of PackedTime: packing, unpacking, the current local time, the
// platform's broken-down time and the weekday rule. Portable; the text form
// lives in packed_time_format_win32.cpp.
#include "common/packed_time.h"

#include <time.h>

namespace {

const uint32_t kSecondsPerMinute = 60;
const uint32_t kSecondsPerHour = 3600;
const uint32_t kSecondsPerDay = 86400;
const uint32_t kSecondsPerMonth = 2678400;  // 31 days
const uint32_t kSecondsPerYear = 32140800;  // 12 x 31 days
const int32_t kEpochYear = 1980;
const int32_t kMonthsPerYear = 12;
const int32_t kDaysPerWeek = 7;

// -(80 years + 1 day) on the packed scale, modulo 2^32: turns the standard
// library's fields (years since 1900, months from 0, days from 1) into a
// PackedTime in a single sum.
const uint32_t kStandardLibraryBias = 1723616896u;

// Days of a common year before each month; index 0 is unused so that the
// table reads with Month 1 to 12 directly.
const int32_t MonthStartDays[kMonthsPerYear + 1] = {0,   0,   31,  59,  90,  120, 151,
                                                    181, 212, 243, 273, 304, 334};

}  // namespace

PackedTime DateTimeUtil::CurrentPackedTime() {
  time_t now = time(nullptr);
  struct tm* local = localtime(&now);
  if (local == nullptr) return 0;
  // Copy the fields at once: the buffer is shared by every caller.
  uint32_t sec = static_cast<uint32_t>(local->tm_sec);
  uint32_t min = static_cast<uint32_t>(local->tm_min);
  uint32_t hour = static_cast<uint32_t>(local->tm_hour);
  uint32_t mday = static_cast<uint32_t>(local->tm_mday);
  uint32_t mon = static_cast<uint32_t>(local->tm_mon);
  uint32_t year = static_cast<uint32_t>(local->tm_year);
  return sec + kSecondsPerMinute * min + kSecondsPerHour * hour + kSecondsPerDay * mday +
         kSecondsPerMonth * mon + kSecondsPerYear * year + kStandardLibraryBias;
}

int DateTimeUtil::UnpackTime(PackedTime value, DateTimeParts& out) {
  uint32_t r = value;
  out.Year = static_cast<int32_t>(r / kSecondsPerYear) + kEpochYear;
  r %= kSecondsPerYear;
  out.Month = static_cast<int32_t>(r / kSecondsPerMonth) + 1;
  r %= kSecondsPerMonth;
  out.Day = static_cast<int32_t>(r / kSecondsPerDay) + 1;
  r %= kSecondsPerDay;
  out.Hour = static_cast<int32_t>(r / kSecondsPerHour);
  r %= kSecondsPerHour;
  out.Minute = static_cast<int32_t>(r / kSecondsPerMinute);
  out.Second = static_cast<int32_t>(r % kSecondsPerMinute);
  return 0;
}

PackedTime DateTimeUtil::PackTime(const DateTimeParts& p) {
  // Unsigned arithmetic wraps modulo 2^32 exactly as the scale requires, for
  // any field values (signed overflow would be undefined).
  uint32_t year = static_cast<uint32_t>(p.Year) - static_cast<uint32_t>(kEpochYear);
  uint32_t month = static_cast<uint32_t>(p.Month) - 1u;
  uint32_t day = static_cast<uint32_t>(p.Day) - 1u;
  return year * kSecondsPerYear + month * kSecondsPerMonth + day * kSecondsPerDay +
         static_cast<uint32_t>(p.Hour) * kSecondsPerHour +
         static_cast<uint32_t>(p.Minute) * kSecondsPerMinute + static_cast<uint32_t>(p.Second);
}

PackedTime PackTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                    int32_t second) {
  DateTimeParts p = {year, month, day, hour, minute, second};
  return DateTimeUtil::PackTime(p);
}

int DateTimeUtil::PackedToSystemTime(PackedTime value, SYSTEMTIME& out) {
  DateTimeParts p;
  UnpackTime(value, p);
  out.wYear = static_cast<uint16_t>(p.Year);
  out.wMonth = static_cast<uint16_t>(p.Month);
  out.wDay = static_cast<uint16_t>(p.Day);
  out.wHour = static_cast<uint16_t>(p.Hour);
  out.wMinute = static_cast<uint16_t>(p.Minute);
  out.wSecond = static_cast<uint16_t>(p.Second);
  out.wDayOfWeek = static_cast<uint16_t>(DayOfWeek(p));
  out.wMilliseconds = 0;
  return 0;
}

PackedTime DateTimeUtil::SystemTimeToPacked(const SYSTEMTIME& st) {
  DateTimeParts p = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
  return PackTime(p);
}

int DateTimeUtil::DayOfWeek(const DateTimeParts& parts) {
  // Unpacked values always carry a Month of 1 to 12; a caller's out-of-range
  // month is folded into the year (as packing would carry it) rather than read
  // outside the table.
  int64_t year = parts.Year;
  int64_t month = parts.Month;
  if (month < 1 || month > kMonthsPerYear) {
    int64_t shifted = month - 1;
    int64_t carry = shifted / kMonthsPerYear;
    if (shifted % kMonthsPerYear < 0) --carry;
    year += carry;
    month = shifted - carry * kMonthsPerYear + 1;
  }
  // Every fourth year is a leap year; the division truncates toward zero, which
  // is why 1980 comes out one weekday late.
  int64_t leapDays = (year - 1981) / 4;
  uint32_t n = static_cast<uint32_t>(365 * (year - kEpochYear)) + static_cast<uint32_t>(leapDays) +
               static_cast<uint32_t>(MonthStartDays[month]) + static_cast<uint32_t>(parts.Day);
  if (year % 4 == 0 && month >= 3) n += 1;
  return static_cast<int>((n + 2u) % static_cast<uint32_t>(kDaysPerWeek));
}
