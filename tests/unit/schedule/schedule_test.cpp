// Schedule rules: IsDue minute by minute and the next backup time of one set
// and of a list, around midnight, month ends, leap days and weekday masks.
#include "schedule/schedule.h"

#include <gtest/gtest.h>

#include "scheduled_set.h"

#include <string.h>

#include <vector>

namespace {

const int32_t kEveryDay = 127;
const int32_t kMondayBit = 2;

DateTimeParts Parts(PackedTime t) {
  DateTimeParts p = {};
  DateTimeUtil::UnpackTime(t, p);
  return p;
}

BackupSetEntry DailyAt(int32_t hour, int32_t minute, int32_t days = kEveryDay) {
  return ScheduledSet(0, 0, hour, minute, days);
}

BackupSetEntry RanAt(BackupSetEntry e, PackedTime lastRun) {
  e.LastRunTime = lastRun;
  return e;
}

BackupSetEntry Every(int32_t frequency, PackedTime lastRun, int32_t days = kEveryDay) {
  BackupSetEntry e = ScheduledSet(0, 1, 0, 0, days);
  e.ScheduleAllDayFlag = 1;
  e.ScheduleFrequency = frequency;
  e.LastRunTime = lastRun;
  return e;
}

BackupSetEntry Windowed(int32_t frequency, PackedTime lastRun, int32_t sh, int32_t sm, int32_t eh,
                        int32_t em, int32_t days = kEveryDay) {
  BackupSetEntry e = Every(frequency, lastRun, days);
  e.ScheduleAllDayFlag = 0;
  e.ScheduleStartTimeHour = sh;
  e.ScheduleStartTimeMinute = sm;
  e.ScheduleEndTimeHour = eh;
  e.ScheduleEndTimeMinute = em;
  return e;
}

// Monday 2003-12-08 at the given time.
PackedTime Dec8(int32_t h, int32_t m, int32_t s = 0) { return PackTime(2003, 12, 8, h, m, s); }

int DueAt(PackedTime t, const BackupSetEntry& e) { return IsDue(Parts(t), e); }

PackedTime NextAt(PackedTime now, const BackupSetEntry& e) {
  return NextBackupTimeForSet(e, now, Parts(now));
}

struct DueCase {
  const char* what;
  BackupSetEntry entry;
  PackedTime at;
  int expected;
};

void CheckDue(const std::vector<DueCase>& cases) {
  for (const DueCase& c : cases) EXPECT_EQ(c.expected, DueAt(c.at, c.entry)) << c.what;
}

TEST(IsDue, DisabledScheduleOrNoWeekdayIsNeverDue) {
  BackupSetEntry off = DailyAt(22, 0);
  off.SchedulePerScheduleFlag = 0;
  BackupSetEntry everyOff = Every(0, 0);
  everyOff.SchedulePerScheduleFlag = 0;
  CheckDue({
      {"per-schedule flag 0", off, Dec8(22, 0, 30), 0},
      {"per-schedule flag 0, type 1", everyOff, Dec8(22, 0, 30), 0},
      {"no weekday", DailyAt(22, 0, 0), Dec8(22, 0, 30), 0},
      {"no weekday, type 1", Every(0, 0, 0), Dec8(22, 0, 30), 0},
      {"Monday cleared", DailyAt(22, 0, kEveryDay & ~kMondayBit), Dec8(22, 0, 30), 0},
      {"only Monday", DailyAt(22, 0, kMondayBit), Dec8(22, 0, 30), 1},
  });
}

TEST(IsDue, BitsAboveSaturdayAreIgnored) {
  CheckDue({
      {"bit 7 only", DailyAt(22, 0, 128), Dec8(22, 0), 0},
      {"bits 7 and up", DailyAt(22, 0, ~127), Dec8(22, 0), 0},
      {"all bits", DailyAt(22, 0, -1), Dec8(22, 0), 1},
      {"Monday and bit 8", DailyAt(22, 0, 256 | kMondayBit), Dec8(22, 0), 1},
  });
}

TEST(IsDue, DailyAtATime) {
  BackupSetEntry e = DailyAt(22, 0);
  BackupSetEntry ranThisMinute = e;
  ranThisMinute.LastRunTime = Dec8(22, 0, 45);
  BackupSetEntry ranBefore = e;
  ranBefore.LastRunTime = Dec8(21, 59);
  BackupSetEntry ranYesterday = e;
  ranYesterday.LastRunTime = PackTime(2003, 12, 7, 22, 0, 0);
  BackupSetEntry ranLastMonthSameDay = e;
  ranLastMonthSameDay.LastRunTime = PackTime(2003, 11, 8, 22, 0, 0);
  CheckDue({
      {"never run", e, Dec8(22, 0, 30), 1},
      {"launched this minute", ranThisMinute, Dec8(22, 0, 50), 0},
      {"ran 21:59 today", ranBefore, Dec8(22, 0, 30), 1},
      {"ran 22:00 yesterday", ranYesterday, Dec8(22, 0, 30), 1},
      {"ran 22:00 a month ago", ranLastMonthSameDay, Dec8(22, 0, 30), 1},
      {"a minute late", e, Dec8(22, 1), 0},
      {"a minute early", e, Dec8(21, 59, 59), 0},
  });
}

TEST(IsDue, OutOfRangeBackupTimeNeverMatches) {
  // 25:00 is minute 1500, which no clock shows; 21:120 is minute 1380 = 23:00.
  for (int h = 0; h < 24; ++h) EXPECT_EQ(0, DueAt(Dec8(h, 0), DailyAt(25, 0))) << h;
  EXPECT_EQ(1, DueAt(Dec8(23, 0), DailyAt(21, 120)));
}

TEST(IsDue, EveryNMinutesCountsFromTheLastRun) {
  CheckDue({
      {"13:45 + 60 at 14:44", Every(60, Dec8(13, 45)), Dec8(14, 44), 0},
      {"13:45 + 60 at 14:45", Every(60, Dec8(13, 45)), Dec8(14, 45), 1},
      {"three days ago 23:50, at 00:10", Every(60, PackTime(2003, 12, 5, 23, 50, 0)),
       PackTime(2003, 12, 8, 0, 10, 0), 0},
      {"three days ago 23:50, at 00:50", Every(60, PackTime(2003, 12, 5, 23, 50, 0)),
       PackTime(2003, 12, 8, 0, 50, 0), 1},
      {"never run, outside window", Windowed(60, 0, 8, 0, 17, 0), Dec8(3, 0), 1},
      {"frequency above a day, ran yesterday, at 10:59", Every(1500, PackTime(2003, 12, 7, 10, 0, 0)),
       Dec8(10, 59), 0},
      {"frequency above a day, ran yesterday, at 11:00", Every(1500, PackTime(2003, 12, 7, 10, 0, 0)),
       Dec8(11, 0), 1},
      {"frequency above a day, ran a week ago", Every(1500, PackTime(2003, 12, 1, 10, 0, 0)),
       Dec8(10, 59), 1},
      {"1500 after 21 Dec 23:00, at 22 Dec 23:59", Every(1500, PackTime(2003, 12, 21, 23, 0, 0)),
       PackTime(2003, 12, 22, 23, 59, 0), 0},
      {"1500 after 21 Dec 23:00, at 23 Dec 00:00", Every(1500, PackTime(2003, 12, 21, 23, 0, 0)),
       PackTime(2003, 12, 23, 0, 0, 0), 1},
      {"2880 after 6 Dec 10:00, at 8 Dec 09:59", Every(2880, PackTime(2003, 12, 6, 10, 0, 0)),
       Dec8(9, 59), 0},
      {"2880 after 6 Dec 10:00, at 8 Dec 10:00", Every(2880, PackTime(2003, 12, 6, 10, 0, 0)),
       Dec8(10, 0), 1},
      {"2880 counts real days over 29 Feb", Every(2880, PackTime(2004, 2, 28, 10, 0, 0)),
       PackTime(2004, 3, 1, 10, 0, 0), 1},
      {"2880 counts real days over 30 Apr", Every(2880, PackTime(2003, 4, 30, 10, 0, 0)),
       PackTime(2003, 5, 2, 10, 0, 0), 1},
      {"frequency 0", Every(0, Dec8(14, 30)), Dec8(14, 30), 1},
      {"frequency 0, clock set back: the last run counts as now", Every(0, Dec8(14, 31)), Dec8(14, 30), 1},
      {"clock set back a day: an hourly set waits its hour", Every(60, PackTime(2003, 12, 9, 14, 0, 0)),
       Dec8(14, 30), 0},
      {"clock set back a day: a daily set does not run again", RanAt(DailyAt(14, 30), PackTime(2003, 12, 9, 14, 30, 5)),
       Dec8(14, 30), 0},
      {"negative frequency", Every(-5, Dec8(14, 31)), Dec8(14, 30), 1},
  });
}

TEST(IsDue, DailyWindows) {
  const PackedTime early = Dec8(0, 0, 1);  // a run today long enough ago
  BackupSetEntry day = Windowed(0, early, 8, 0, 17, 0);
  BackupSetEntry night = Windowed(0, early, 22, 0, 6, 0);
  BackupSetEntry whole = Windowed(0, early, 9, 0, 9, 0);
  CheckDue({
      {"day window at 08:00", day, Dec8(8, 0), 1},
      {"day window at 17:00", day, Dec8(17, 0), 1},
      {"day window at 07:59", day, Dec8(7, 59), 0},
      {"day window at 17:01", day, Dec8(17, 1), 0},
      {"night window at 22:01", night, Dec8(22, 1), 1},
      {"night window at 05:59", night, Dec8(5, 59), 1},
      {"night window at 22:00", night, Dec8(22, 0), 0},
      {"night window at 06:00", night, Dec8(6, 0), 0},
      {"night window at 12:00", night, Dec8(12, 0), 0},
      {"09:00 to 09:00 at 03:00", whole, Dec8(3, 0), 1},
      {"09:00 to 09:00 at 23:59", whole, Dec8(23, 59), 1},
  });
}

TEST(IsDue, UnknownTypesAreNeverDue) {
  for (int32_t type : {2, -1, 100}) {
    BackupSetEntry e = Every(0, 0);
    e.ScheduleScheduledType = type;
    EXPECT_EQ(0, DueAt(Dec8(14, 30), e)) << type;
  }
}

TEST(IsDue, DoesNotLookAtScheduleAutomatic) {
  BackupSetEntry e = DailyAt(22, 0);
  e.ScheduleAutomatic = 0;
  EXPECT_EQ(1, DueAt(Dec8(22, 0), e));
}

TEST(IsDue, ExtremeFieldsWrapToPlainNumbers) {
  // The window's ends wrap to 2147483587 and -2147483648: across midnight and
  // holding no minute of the day.
  BackupSetEntry empty = Windowed(INT32_MIN, Dec8(10, 0), INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  BackupSetEntry allDay = empty;
  allDay.ScheduleAllDayFlag = 1;
  BackupSetEntry longest = Every(INT32_MAX, Dec8(10, 0));
  BackupSetEntry daily = DailyAt(INT32_MAX, INT32_MAX);  // minute 2147483587
  CheckDue({
      {"empty wrapped window", empty, Dec8(14, 30), 0},
      {"lowest frequency, all day", allDay, Dec8(14, 30), 1},
      {"highest frequency", longest, PackTime(2113, 8, 18, 6, 28, 0), 0},
      {"wrapped backup minute", daily, Dec8(14, 30), 0},
  });
}

TEST(IsDue, DailyTypeFiresOnceWhenTheTickSetsTheLastRun) {
  // Walk a week minute by minute, launching as the tick does.
  BackupSetEntry e = DailyAt(22, 0);
  int launches = 0;
  for (PackedTime t = Dec8(0, 0); t < PackTime(2003, 12, 15, 0, 0, 0); t += 60) {
    if (DueAt(t, e)) {
      ++launches;
      e.LastRunTime = t;
      EXPECT_EQ(22, Parts(t).Hour);
    }
  }
  EXPECT_EQ(7, launches);
}

struct NextCase {
  const char* what;
  BackupSetEntry entry;
  PackedTime now;
  PackedTime expected;
};

void CheckNext(const std::vector<NextCase>& cases) {
  for (const NextCase& c : cases) {
    PackedTime got = NextAt(c.now, c.entry);
    DateTimeParts g = Parts(got);
    EXPECT_EQ(c.expected, got) << c.what << ": got " << g.Year << "-" << g.Month << "-" << g.Day
                               << " " << g.Hour << ":" << g.Minute << ":" << g.Second;
  }
}

const PackedTime kNow = 769357815u;  // Monday 2003-12-08 14:30:15

TEST(NextBackupTimeForSet, NoTimeScheduleGivesZero) {
  BackupSetEntry manual = DailyAt(22, 0);
  manual.ScheduleAutomatic = 0;
  BackupSetEntry disabled = DailyAt(22, 0);
  disabled.SchedulePerScheduleFlag = 0;
  CheckNext({{"automatic 0", manual, kNow, 0u}, {"per-schedule 0", disabled, kNow, 0u}});
}

TEST(NextBackupTimeForSet, DailyAtATime) {
  const int32_t noMonday = kEveryDay & ~kMondayBit;
  CheckNext({
      {"22:00", DailyAt(22, 0), kNow, 769384800u},
      {"09:00", DailyAt(9, 0), kNow, PackTime(2003, 12, 9, 9, 0, 0)},
      {"the current minute", DailyAt(14, 30), kNow, PackTime(2003, 12, 9, 14, 30, 0)},
      {"06:00, Monday not allowed", DailyAt(6, 0, noMonday), kNow, PackTime(2003, 12, 9, 6, 0, 0)},
      {"00:00, Monday not allowed", DailyAt(0, 0, noMonday), kNow,
       PackTime(2003, 12, 9, 0, 0, 0)},
      {"no weekday at all", DailyAt(22, 0, 0), kNow, 0u},
      {"only Saturday", DailyAt(22, 0, 64), kNow, PackTime(2003, 12, 13, 22, 0, 0)},
      {"only bit 7 counts as no weekday", DailyAt(22, 0, 128), kNow, 0u},
      {"25:00 is never launched", DailyAt(25, 0), kNow, 0u},
      {"21:120 is 23:00", DailyAt(21, 120), kNow, Dec8(23, 0)},
  });
}

TEST(NextBackupTimeForSet, MonthEndsFollowTheRealCalendar) {
  CheckNext({
      {"28 Feb 2003", DailyAt(22, 0), PackTime(2003, 2, 28, 23, 0, 0),
       PackTime(2003, 3, 1, 22, 0, 0)},
      {"28 Feb 2004 is followed by the leap day", DailyAt(22, 0), PackTime(2004, 2, 28, 23, 0, 0),
       PackTime(2004, 2, 29, 22, 0, 0)},
      {"29 Feb 2004 early", DailyAt(22, 0), PackTime(2004, 2, 29, 9, 0, 0),
       PackTime(2004, 2, 29, 22, 0, 0)},
      {"28 Feb 2100 is no leap year", DailyAt(22, 0), PackTime(2100, 2, 28, 23, 0, 0),
       PackTime(2100, 3, 1, 22, 0, 0)},
      {"30 Apr 2003", DailyAt(22, 0), PackTime(2003, 4, 30, 23, 0, 0),
       PackTime(2003, 5, 1, 22, 0, 0)},
      {"30 Jun 2003", DailyAt(22, 0), PackTime(2003, 6, 30, 23, 0, 0),
       PackTime(2003, 7, 1, 22, 0, 0)},
      {"31 Dec 2003", DailyAt(22, 0), PackTime(2003, 12, 31, 23, 0, 0),
       PackTime(2004, 1, 1, 22, 0, 0)},
      {"31 Jan keeps the 31st of a long month", DailyAt(22, 0), PackTime(2003, 1, 30, 23, 0, 0),
       PackTime(2003, 1, 31, 22, 0, 0)},
  });
}

TEST(NextBackupTimeForSet, WeekdayWalkStepsAlongRealDays) {
  const int32_t kTuesdayBit = 4, kFridayBit = 32;
  CheckNext({{"Sunday only from Fri 28 Feb 2003", DailyAt(22, 0, 1), PackTime(2003, 2, 28, 23, 0, 0),
              PackTime(2003, 3, 2, 22, 0, 0)},
             {"Monday only from Fri 30 Apr 2004", DailyAt(22, 0, kMondayBit),
              PackTime(2004, 4, 30, 23, 0, 0), PackTime(2004, 5, 3, 22, 0, 0)},
             {"Monday only from Thu 26 Jun 2003", DailyAt(22, 0, kMondayBit),
              PackTime(2003, 6, 26, 23, 0, 0), PackTime(2003, 6, 30, 22, 0, 0)},
             {"Tuesday only from Sat 28 Jun 2003", DailyAt(22, 0, kTuesdayBit),
              PackTime(2003, 6, 28, 23, 0, 0), PackTime(2003, 7, 1, 22, 0, 0)},
             {"Friday only from Tue 29 Apr 2003", DailyAt(22, 0, kFridayBit),
              PackTime(2003, 4, 29, 23, 0, 0), PackTime(2003, 5, 2, 22, 0, 0)}});
}

TEST(NextBackupTimeForSet, EveryNMinutes) {
  CheckNext({
      {"never run", Every(60, 0), kNow, Dec8(14, 31)},
      {"never run, now at second 0", Every(60, 0), Dec8(14, 30), Dec8(14, 30)},
      {"60 after 14:00:05", Every(60, Dec8(14, 0, 5)), kNow, Dec8(15, 0)},
      {"30 after 10:00", Every(30, Dec8(10, 0)), kNow, Dec8(14, 31)},
      {"ran yesterday", Every(60, PackTime(2003, 12, 7, 14, 0, 0)), kNow, Dec8(14, 31)},
      {"60 after 23:30, at 23:40", Every(60, Dec8(23, 30)), Dec8(23, 40),
       PackTime(2003, 12, 9, 0, 30, 0)},
      {"1500 after 10:00", Every(1500, Dec8(10, 0)), kNow, PackTime(2003, 12, 9, 11, 0, 0)},
      {"3000 after 10:00", Every(3000, Dec8(10, 0)), kNow, PackTime(2003, 12, 10, 12, 0, 0)},
      {"1500 after 21 Dec 23:00, from 22 Dec 12:00", Every(1500, PackTime(2003, 12, 21, 23, 0, 0)),
       PackTime(2003, 12, 22, 12, 0, 0), PackTime(2003, 12, 23, 0, 0, 0)},
      {"2880 after 28 Feb 2004 10:00", Every(2880, PackTime(2004, 2, 28, 10, 0, 0)),
       PackTime(2004, 2, 28, 12, 0, 0), PackTime(2004, 3, 1, 10, 0, 0)},
      {"never run, Monday not allowed: midnight", Every(60, 0, kEveryDay & ~kMondayBit), kNow,
       PackTime(2003, 12, 9, 0, 0, 0)},
      {"negative frequency lands in the past", Every(-120, Dec8(10, 0)), kNow, Dec8(14, 31)},
      // The clock was set back a day: nothing before the stored run, as the tick sees it.
      {"60 after a run tomorrow at 14:00", Every(60, PackTime(2003, 12, 9, 14, 0, 0)), kNow,
       PackTime(2003, 12, 9, 15, 0, 0)},
      {"0 after a run later today", Every(0, Dec8(16, 0)), kNow, Dec8(14, 31)},
      {"daily 22:00 after a run tomorrow at 22:00", RanAt(DailyAt(22, 0), PackTime(2003, 12, 9, 22, 0, 5)), kNow,
       PackTime(2003, 12, 10, 22, 0, 0)},
  });
}

TEST(NextBackupTimeForSet, EveryNMinutesInsideWindows) {
  const int32_t noMonday = kEveryDay & ~kMondayBit;
  CheckNext({
      {"16:00-17:00 after 14:00", Windowed(60, Dec8(14, 0), 16, 0, 17, 0), kNow, Dec8(16, 0)},
      {"08:00-12:00 after 11:00", Windowed(60, Dec8(11, 0), 8, 0, 12, 0), kNow,
       PackTime(2003, 12, 9, 8, 0, 0)},
      {"22:00-06:00 after 05:50: its ends are excluded", Windowed(60, Dec8(5, 50), 22, 0, 6, 0),
       kNow, Dec8(22, 1)},
      {"22:00-06:00 after 05:50, at 22:00:30", Windowed(60, Dec8(5, 50), 22, 0, 6, 0),
       Dec8(22, 0, 30), Dec8(22, 1)},
      {"22:00-06:00 after 22:30, at 23:10", Windowed(60, Dec8(22, 30), 22, 0, 6, 0),
       Dec8(23, 10), Dec8(23, 30)},
      {"08:00-17:00 never run runs at once, Monday not allowed",
       Windowed(60, 0, 8, 0, 17, 0, noMonday), kNow, PackTime(2003, 12, 9, 0, 0, 0)},
      {"09:00-09:00 is the whole day", Windowed(60, Dec8(14, 0), 9, 0, 9, 0), kNow, Dec8(15, 0)},
  });
}

TEST(NextBackupTimeForSet, SetsTheTickNeverLaunchesAnnounceNothing) {
  BackupSetEntry unknownType = Every(60, Dec8(14, 0, 5));
  unknownType.ScheduleScheduledType = 7;
  BackupSetEntry automaticTwo = DailyAt(22, 0);
  automaticTwo.ScheduleAutomatic = 2;
  CheckNext({{"type 7", unknownType, kNow, 0u}, {"ScheduleAutomatic 2", automaticTwo, kNow, 0u}});
}

TEST(NextBackupTimeForSet, NothingLiesBeyondTheEndOfTheScale) {
  // The window wraps to a whole day; INT32_MAX minutes lie past 2113.
  BackupSetEntry longest = Windowed(INT32_MAX, Dec8(14, 0), INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN);
  const PackedTime last = 4294967295u;  // 2113-08-18 06:28:15
  CheckNext({{"frequency INT32_MAX", longest, kNow, 0u},
             {"next minute past the scale", Every(60, 0), last, 0u},
             {"last minute of the scale", Every(60, 0), PackTime(2113, 8, 18, 6, 28, 0),
              PackTime(2113, 8, 18, 6, 28, 0)}});
}

struct ListFixture : ::testing::Test {
  std::vector<BackupSetEntry> storage;
  BackupSetEntry* Link() {
    for (size_t i = 0; i + 1 < storage.size(); ++i) storage[i].next = &storage[i + 1];
    if (!storage.empty()) storage.back().next = nullptr;
    return storage.empty() ? nullptr : &storage[0];
  }
};

TEST_F(ListFixture, NextBackupTimeTakesTheEarliestNonZero) {
  EXPECT_EQ(0u, NextBackupTime(static_cast<const BackupSetEntry*>(nullptr), kNow, Parts(kNow)));
  BackupSetEntry manual = DailyAt(15, 0);
  manual.ScheduleAutomatic = 0;
  storage = {manual, DailyAt(22, 0), DailyAt(9, 0), DailyAt(16, 0), manual};
  EXPECT_EQ(Dec8(16, 0), NextBackupTime(Link(), kNow, Parts(kNow)));
  storage = {manual, manual};
  EXPECT_EQ(0u, NextBackupTime(Link(), kNow, Parts(kNow)));
}

TEST_F(ListFixture, NextBackupTimeReadsTheGlobalList) {
  storage = {DailyAt(22, 0), DailyAt(16, 0)};
  BackupSetEntry* saved = BackupSetList;
  BackupSetList = Link();
  EXPECT_EQ(Dec8(16, 0), NextBackupTime(kNow, Parts(kNow)));
  BackupSetList = nullptr;
  EXPECT_EQ(0u, NextBackupTime(kNow, Parts(kNow)));
  BackupSetList = saved;
}

}  // namespace
