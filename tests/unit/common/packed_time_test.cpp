// Packed timestamps: packing and unpacking, wrap-around, impossible dates of
// the 31-day calendar, the weekday rule and the SYSTEMTIME conversions.
#include "common/packed_time.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

struct PackCase {
  DateTimeParts parts;
  PackedTime packed;
};

class PackedTimeRoundTrip : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackedTimeRoundTrip, PacksAndUnpacksToEachOther) {
  const PackCase& c = GetParam();
  EXPECT_EQ(c.packed, DateTimeUtil::PackTime(c.parts));
  DateTimeParts out = {};
  EXPECT_EQ(0, DateTimeUtil::UnpackTime(c.packed, out));
  EXPECT_EQ(c.parts.Year, out.Year);
  EXPECT_EQ(c.parts.Month, out.Month);
  EXPECT_EQ(c.parts.Day, out.Day);
  EXPECT_EQ(c.parts.Hour, out.Hour);
  EXPECT_EQ(c.parts.Minute, out.Minute);
  EXPECT_EQ(c.parts.Second, out.Second);
}

INSTANTIATE_TEST_SUITE_P(
    KnownValues, PackedTimeRoundTrip,
    ::testing::Values(PackCase{{1980, 1, 1, 0, 0, 0}, 0u},
                      PackCase{{2003, 12, 8, 14, 30, 15}, 769357815u},
                      PackCase{{2004, 2, 29, 23, 59, 59}, 776563199u},
                      PackCase{{2113, 8, 18, 6, 28, 15}, 4294967295u},
                      PackCase{{2003, 4, 30, 12, 0, 0}, 749822400u},
                      // Impossible dates are ordinary values of the scale.
                      PackCase{{2003, 4, 31, 12, 0, 0}, 749908800u},
                      PackCase{{2003, 5, 1, 12, 0, 0}, 749995200u},
                      PackCase{{2003, 2, 30, 0, 0, 0}, 744422400u}));

TEST(PackedTime, PackingWrapsPastTheLargestValue) {
  EXPECT_EQ(0u, PackTime(2113, 8, 18, 6, 28, 16));
  EXPECT_EQ(1u, PackTime(2113, 8, 18, 6, 28, 17));
  // Years before the epoch wrap the other way.
  EXPECT_EQ(4294967295u, PackTime(1979, 12, 31, 23, 59, 59));
  EXPECT_EQ(4294967295u, PackTime(1980, 1, 1, 0, 0, -1));
}

TEST(PackedTime, FieldsOutOfRangeCarryWithoutChecks) {
  EXPECT_EQ(769359600u, PackTime(2003, 12, 8, 14, 60, 0));
  EXPECT_EQ(PackTime(2003, 12, 8, 15, 0, 0), PackTime(2003, 12, 8, 14, 60, 0));
  EXPECT_EQ(749908800u, PackTime(2003, 5, 0, 12, 0, 0));
  EXPECT_EQ(PackTime(2004, 1, 1, 0, 0, 0), PackTime(2003, 13, 1, 0, 0, 0));
  EXPECT_EQ(PackTime(2003, 12, 9, 1, 0, 0), PackTime(2003, 12, 8, 25, 0, 0));
}

TEST(PackedTime, ExtremeFieldsWrapInsteadOfOverflowing) {
  // Whatever comes in must stay defined behaviour (sanitizers watch this).
  DateTimeParts p = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
  PackedTime v = DateTimeUtil::PackTime(p);
  DateTimeParts out = {};
  DateTimeUtil::UnpackTime(v, out);
  EXPECT_EQ(v, DateTimeUtil::PackTime(out));
}

TEST(PackedTime, UnpackThenPackIsIdentityAcrossTheRange) {
  for (uint64_t v = 0; v <= 0xFFFFFFFFull; v += 104729ull * 37ull + 11ull) {
    DateTimeParts p = {};
    DateTimeUtil::UnpackTime(static_cast<PackedTime>(v), p);
    ASSERT_EQ(static_cast<PackedTime>(v), DateTimeUtil::PackTime(p)) << v;
    ASSERT_GE(p.Month, 1);
    ASSERT_LE(p.Month, 12);
    ASSERT_GE(p.Day, 1);
    ASSERT_LE(p.Day, 31);
    ASSERT_LE(p.Hour, 23);
  }
}

TEST(PackedTime, AddingADayMovesOneDayAlongTheScale) {
  EXPECT_EQ(PackTime(2003, 4, 31, 12, 0, 0), PackTime(2003, 4, 30, 12, 0, 0) + 86400u);
  EXPECT_EQ(PackTime(2003, 5, 1, 12, 0, 0), PackTime(2003, 4, 31, 12, 0, 0) + 86400u);
  EXPECT_EQ(PackTime(2004, 1, 1, 23, 0, 0), PackTime(2003, 12, 31, 23, 0, 0) + 86400u);
}

struct WeekdayCase {
  int32_t year, month, day;
  int expected;
};

class DayOfWeekRule : public ::testing::TestWithParam<WeekdayCase> {};

TEST_P(DayOfWeekRule, GivesTheRuleWeekday) {
  const WeekdayCase& c = GetParam();
  DateTimeUtil util;
  DateTimeParts p = {c.year, c.month, c.day, 13, 0, 0};
  EXPECT_EQ(c.expected, util.DayOfWeek(p)) << c.year << "-" << c.month << "-" << c.day;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DayOfWeekRule,
    ::testing::Values(WeekdayCase{2003, 12, 8, 1}, WeekdayCase{2004, 2, 29, 0},
                      WeekdayCase{2003, 4, 31, 4}, WeekdayCase{2003, 5, 1, 4},
                      WeekdayCase{1981, 1, 1, 4}, WeekdayCase{1980, 1, 1, 3},
                      WeekdayCase{2100, 2, 28, 0}, WeekdayCase{2100, 3, 1, 2},
                      WeekdayCase{2003, 2, 30, 0},  // as 2 March 2003, a Sunday
                      WeekdayCase{2004, 2, 30, 1},  // as 1 March 2004, a Monday
                      WeekdayCase{2000, 2, 29, 2}, WeekdayCase{2000, 3, 1, 3},
                      WeekdayCase{1980, 12, 31, 4}));

// Civil-calendar weekday (0 = Sunday) computed independently, Gregorian.
int CivilWeekday(int y, int m, int d) {
  static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + offsets[m - 1] + d) % 7;
}

bool IsRealDate(int y, int m, int d) {
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int len = lengths[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) len = 29;
  return d <= len;
}

TEST(DayOfWeekRule, MatchesTheCalendarFrom1981UntilFebruary2100AndIsOneLateOutside) {
  DateTimeUtil util;
  for (int y = 1980; y <= 2113; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= 31; ++d) {
        if (!IsRealDate(y, m, d)) continue;
        DateTimeParts p = {y, m, d, 0, 0, 0};
        int civil = CivilWeekday(y, m, d);
        bool inRange = y >= 1981 && (y < 2100 || (y == 2100 && m <= 2));
        int expected = inRange ? civil : (civil + 1) % 7;
        ASSERT_EQ(expected, util.DayOfWeek(p)) << y << "-" << m << "-" << d;
      }
    }
  }
}

TEST(DayOfWeekRule, ImpossibleDateTakesTheWeekdayOfTheDaysPastMonthEnd) {
  DateTimeUtil util;
  for (int y = 1981; y <= 2099; ++y) {
    for (int m = 1; m <= 12; ++m) {
      int lastReal = 28;
      while (lastReal < 31 && IsRealDate(y, m, lastReal + 1)) ++lastReal;
      for (int d = lastReal + 1; d <= 31; ++d) {
        DateTimeParts impossible = {y, m, d, 0, 0, 0};
        int overflow = d - lastReal;
        DateTimeParts real = {m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, overflow, 0, 0, 0};
        ASSERT_EQ(util.DayOfWeek(real), util.DayOfWeek(impossible)) << y << "-" << m << "-" << d;
      }
    }
  }
}

TEST(DayOfWeekRule, AlwaysWithinTheWeekEvenForWildFields) {
  DateTimeUtil util;
  const int32_t values[] = {INT32_MIN, -13, -1, 0, 1, 12, 13, 31, 1000, INT32_MAX};
  for (int32_t y : values)
    for (int32_t m : values)
      for (int32_t d : values) {
        DateTimeParts p = {y, m, d, 0, 0, 0};
        int w = util.DayOfWeek(p);
        ASSERT_GE(w, 0);
        ASSERT_LE(w, 6);
      }
}

TEST(SystemTimeConversion, PackedToSystemTimeFillsEveryField) {
  DateTimeUtil util;
  SYSTEMTIME st;
  memset(&st, 0xAB, sizeof st);
  EXPECT_EQ(0, util.PackedToSystemTime(749908800u, st));
  EXPECT_EQ(2003, st.wYear);
  EXPECT_EQ(4, st.wMonth);
  EXPECT_EQ(31, st.wDay);
  EXPECT_EQ(12, st.wHour);
  EXPECT_EQ(0, st.wMinute);
  EXPECT_EQ(0, st.wSecond);
  EXPECT_EQ(4, st.wDayOfWeek);
  EXPECT_EQ(0, st.wMilliseconds);
}

TEST(SystemTimeConversion, WeekdayAndMillisecondsAreIgnored) {
  DateTimeUtil util;
  SYSTEMTIME a = {};
  a.wYear = 2003;
  a.wMonth = 12;
  a.wDay = 8;
  a.wHour = 14;
  a.wMinute = 30;
  a.wSecond = 15;
  SYSTEMTIME b = a;
  a.wDayOfWeek = 1;
  a.wMilliseconds = 0;
  b.wDayOfWeek = 5;
  b.wMilliseconds = 999;
  EXPECT_EQ(769357815u, util.SystemTimeToPacked(a));
  EXPECT_EQ(util.SystemTimeToPacked(a), util.SystemTimeToPacked(b));
}

// The local time read another way than the implementation reads it: the
// system's own local time on Windows; natively, with the zone set to UTC,
// the civil date worked out from the seconds since 1970.
PackedTime IndependentLocalTime() {
#ifdef _WIN32
  SYSTEMTIME st;
  GetLocalTime(&st);
  return PackTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
#else
  const long long t = static_cast<long long>(time(nullptr));
  long long z = t / 86400 + 719468;  // days from 0000-03-01
  const long long era = z / 146097, doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1), month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  const int second = static_cast<int>(t % 86400);
  return PackTime(year, month, day, second / 3600, second / 60 % 60, second % 60);
#endif
}

TEST(CurrentPackedTime, AgreesWithAnIndependentReadingOfTheLocalTime) {
#ifndef _WIN32
  setenv("TZ", "UTC0", 1);
  tzset();
#endif
  DateTimeUtil util;
  // The clock may move between the readings; a bounded number of tries until
  // both fall into the same second.
  for (int attempt = 0; attempt < 100; ++attempt) {
    PackedTime before = IndependentLocalTime();
    PackedTime packed = util.CurrentPackedTime();
    if (IndependentLocalTime() != before) continue;
    EXPECT_EQ(before, packed);
    return;
  }
  FAIL() << "the clock never held still for one reading";
}

}  // namespace
