// The real (Gregorian) calendar beside the packed 31-day scale: month
// lengths, real minutes, and counting and stepping whole days, so that the
// schedules can measure and walk time the way the wall clock passes it.
#pragma once
#include <stdint.h>

#include "common/packed_time.h"

// Clock units shared by the calendar and the schedules.
const int32_t MinutesPerHour = 60;
const int32_t HoursPerDay = 24;
const int32_t MinutesPerDay = MinutesPerHour * HoursPerDay;

// Days of a month on the real calendar (Gregorian leap years); 0 for a month
// outside 1 to 12.
int DaysInRealMonth(int32_t year, int32_t month);
// 1 when parts name a real date and time of day the packed scale can hold
// (1980 to 2113, seconds ignored), else 0.
int IsRealMinute(const DateTimeParts& parts);
// Moves parts one wall-clock minute on (28 Feb 23:59 -> 1 Mar 00:00 or 29 Feb).
void AdvanceWallClockMinute(DateTimeParts& parts);
// Moves the date of parts one real day on; the time of day stays.
void AdvanceRealDay(DateTimeParts& parts);

// Real days from 1 January 1980 to the date of parts. A day number past the
// end of its month (an impossible date of the scale) counts on into the next.
int64_t RealDayNumber(const DateTimeParts& parts);
// The date of a real day number into Year, Month and Day of parts (the time
// of day stays); the inverse of RealDayNumber for real dates.
void SetRealDate(int64_t dayNumber, DateTimeParts& parts);
