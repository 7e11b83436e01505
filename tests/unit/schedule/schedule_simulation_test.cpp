// Replaying the tick over wall-clock minutes: launches of daily, start-up and
// interval sets, and the real calendar under the walk.
#include "schedule/schedule_simulation.h"

#include "schedule/schedule.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

const long kMinutesPerDay = 1440;

BackupSetEntry Entry(int32_t number, const char* name) {
  BackupSetEntry e;
  memset(&e, 0, sizeof e);
  e.SetNumber = number;
  strncpy(e.Name, name, BackupSetNameLength);
  e.ScheduleDaysFlags = 127;
  return e;
}

BackupSetEntry DailyAt(int32_t number, int32_t hour, int32_t minute) {
  BackupSetEntry e = Entry(number, "daily");
  e.ScheduleAutomatic = 1;
  e.SchedulePerScheduleFlag = 1;
  e.ScheduleBackupTimeHour = hour;
  e.ScheduleBackupTimeMinute = minute;
  return e;
}

DateTimeParts At(int32_t y, int32_t m, int32_t d, int32_t h, int32_t mi) {
  return DateTimeParts{y, m, d, h, mi, 0};
}

DateTimeParts Parts(PackedTime t) {
  DateTimeParts p = {};
  DateTimeUtil::UnpackTime(t, p);
  return p;
}

std::string Stamp(const DateTimeParts& p) {
  char buf[32];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute);
  return buf;
}

std::vector<std::string> Stamps(const std::vector<SimulatedLaunch>& launches) {
  std::vector<std::string> v;
  for (const SimulatedLaunch& l : launches) v.push_back(Stamp(l.Minute));
  return v;
}

TEST(SimulateScheduleTicks, DailySetLaunchesOncePerDay) {
  BackupSetEntry e = DailyAt(4, 22, 0);
  auto launches = SimulateScheduleTicks(&e, At(2003, 12, 8, 14, 30), 3 * kMinutesPerDay);
  EXPECT_EQ((std::vector<std::string>{"2003-12-08 22:00", "2003-12-09 22:00", "2003-12-10 22:00"}),
            Stamps(launches));
  for (const SimulatedLaunch& l : launches) {
    EXPECT_EQ(4, l.SetNumber);
    EXPECT_EQ(LaunchTrigger::Schedule, l.Trigger);
    EXPECT_STREQ("daily", l.Name);
  }
  EXPECT_EQ(PackTime(2003, 12, 10, 22, 0, 0), e.LastRunTime);
}

TEST(SimulateScheduleTicks, StartupSetFiresAtTheStartAndAtEachNewDay) {
  BackupSetEntry e = Entry(2, "boot");
  e.ScheduleAtStartupFlag = 1;
  e.LastRunTime = PackTime(2003, 12, 8, 9, 0, 0);  // already ran today
  auto launches = SimulateScheduleTicks(&e, At(2003, 12, 8, 14, 30), 3 * kMinutesPerDay);
  EXPECT_EQ((std::vector<std::string>{"2003-12-09 00:00", "2003-12-10 00:00", "2003-12-11 00:00"}),
            Stamps(launches));
  for (const SimulatedLaunch& l : launches) EXPECT_EQ(LaunchTrigger::Startup, l.Trigger);

  BackupSetEntry fresh = Entry(3, "never");
  fresh.ScheduleAtStartupFlag = 1;
  launches = SimulateScheduleTicks(&fresh, At(2003, 12, 8, 14, 30), kMinutesPerDay);
  EXPECT_EQ((std::vector<std::string>{"2003-12-08 14:30", "2003-12-09 00:00"}), Stamps(launches));
}

TEST(SimulateScheduleTicks, StartupAndScheduleOfOneSetBothFire) {
  BackupSetEntry e = DailyAt(1, 0, 5);
  e.ScheduleAtStartupFlag = 1;
  e.LastRunTime = PackTime(2003, 12, 8, 8, 0, 0);
  auto launches = SimulateScheduleTicks(&e, At(2003, 12, 8, 23, 59), 10);
  ASSERT_EQ(2u, launches.size());
  EXPECT_EQ("2003-12-09 00:00", Stamp(launches[0].Minute));
  EXPECT_EQ(LaunchTrigger::Startup, launches[0].Trigger);
  EXPECT_EQ("2003-12-09 00:05", Stamp(launches[1].Minute));
  EXPECT_EQ(LaunchTrigger::Schedule, launches[1].Trigger);
}

TEST(SimulateScheduleTicks, SetsLaunchInListOrderWithinAMinute) {
  BackupSetEntry a = DailyAt(7, 10, 0);
  BackupSetEntry b = DailyAt(3, 10, 0);
  BackupSetEntry manual = DailyAt(9, 10, 0);
  manual.ScheduleAutomatic = 0;
  a.next = &manual;
  manual.next = &b;
  auto launches = SimulateScheduleTicks(&a, At(2003, 12, 8, 9, 0), 120);
  ASSERT_EQ(2u, launches.size());
  EXPECT_EQ(7, launches[0].SetNumber);
  EXPECT_EQ(3, launches[1].SetNumber);
}

TEST(SimulateScheduleTicks, IntervalSetRelaunchesAfterItsFrequency) {
  BackupSetEntry e = Entry(5, "hourly");
  e.ScheduleAutomatic = 1;
  e.SchedulePerScheduleFlag = 1;
  e.ScheduleScheduledType = 1;
  e.ScheduleAllDayFlag = 1;
  e.ScheduleFrequency = 60;
  auto launches = SimulateScheduleTicks(&e, At(2003, 12, 8, 22, 30), 180);
  EXPECT_EQ((std::vector<std::string>{"2003-12-08 22:30", "2003-12-08 23:30", "2003-12-09 00:30"}),
            Stamps(launches));
}

TEST(SimulateScheduleTicks, WalksTheRealCalendarAcrossMonthEnds) {
  struct Case {
    DateTimeParts start;
    const char* next;
  } cases[] = {{At(2003, 2, 28, 23, 59), "2003-03-01 00:00"},
               {At(2004, 2, 28, 23, 59), "2004-02-29 00:00"},
               {At(2004, 2, 29, 23, 59), "2004-03-01 00:00"},
               {At(2100, 2, 28, 23, 59), "2100-03-01 00:00"},
               {At(2000, 2, 28, 23, 59), "2000-02-29 00:00"},
               {At(2003, 4, 30, 23, 59), "2003-05-01 00:00"},
               {At(2003, 12, 31, 23, 59), "2004-01-01 00:00"}};
  for (const Case& c : cases) {
    BackupSetEntry e = Entry(1, "boot");
    e.ScheduleAtStartupFlag = 1;
    auto launches = SimulateScheduleTicks(&e, c.start, 2);
    ASSERT_EQ(2u, launches.size()) << Stamp(c.start);
    EXPECT_EQ(c.next, Stamp(launches[1].Minute));
  }
}

TEST(SimulateScheduleTicks, StopsAtTheEndOfThePackedScale) {
  BackupSetEntry e = Entry(1, "every");
  e.ScheduleAutomatic = 1;
  e.SchedulePerScheduleFlag = 1;
  e.ScheduleScheduledType = 1;
  e.ScheduleAllDayFlag = 1;
  auto launches = SimulateScheduleTicks(&e, At(2113, 8, 18, 6, 25), 100);
  EXPECT_EQ((std::vector<std::string>{"2113-08-18 06:25", "2113-08-18 06:26", "2113-08-18 06:27",
                                      "2113-08-18 06:28"}),
            Stamps(launches));
}

// What the tray announces must be the minute the tick then launches: each
// shape runs a month minute by minute, announcing before every evaluation.
TEST(SimulateScheduleTicks, AnnouncedTimeIsTheNextLaunch) {
  BackupSetEntry daily = DailyAt(1, 22, 0);
  BackupSetEntry friday = DailyAt(2, 22, 0);
  friday.ScheduleDaysFlags = 32;
  BackupSetEntry tuesday = DailyAt(3, 22, 0);
  tuesday.ScheduleDaysFlags = 4;
  BackupSetEntry hourlyNoMonday = DailyAt(4, 0, 0);
  hourlyNoMonday.ScheduleScheduledType = 1;
  hourlyNoMonday.ScheduleAllDayFlag = 1;
  hourlyNoMonday.ScheduleFrequency = 60;
  hourlyNoMonday.ScheduleDaysFlags = 127 & ~2;
  BackupSetEntry dayAndAnHour = hourlyNoMonday;
  dayAndAnHour.ScheduleDaysFlags = 127;
  dayAndAnHour.ScheduleFrequency = 1500;
  BackupSetEntry twoDaysInAWindow = dayAndAnHour;
  twoDaysInAWindow.ScheduleFrequency = 2880;
  twoDaysInAWindow.ScheduleAllDayFlag = 0;
  twoDaysInAWindow.ScheduleStartTimeHour = 9;
  twoDaysInAWindow.ScheduleEndTimeHour = 17;
  BackupSetEntry nightsAtWeekends = dayAndAnHour;
  nightsAtWeekends.ScheduleFrequency = 90;
  nightsAtWeekends.ScheduleAllDayFlag = 0;
  nightsAtWeekends.ScheduleStartTimeHour = 22;
  nightsAtWeekends.ScheduleEndTimeHour = 6;
  nightsAtWeekends.ScheduleDaysFlags = 1 | 64;
  const struct {
    const char* what;
    BackupSetEntry entry;
  } shapes[] = {{"daily 22:00", daily},
                {"Fridays 22:00", friday},
                {"Tuesdays 22:00", tuesday},
                {"hourly, not Mondays", hourlyNoMonday},
                {"every 1500", dayAndAnHour},
                {"every 2880, 09:00-17:00", twoDaysInAWindow},
                {"every 90, 22:00-06:00, weekends", nightsAtWeekends}};
  for (DateTimeParts start : {At(2004, 2, 12, 21, 37), At(2003, 6, 14, 5, 0)}) {
    for (const auto& shape : shapes) {
      BackupSetEntry e = shape.entry;
      e.LastRunTime = DateTimeUtil::PackTime(start) - 37 * 60;
      std::vector<std::pair<PackedTime, PackedTime>> announced;  // minute, announcement
      std::vector<PackedTime> launched;
      DateTimeParts parts = start;
      for (long i = 0; i < 31 * kMinutesPerDay; ++i, AdvanceWallClockMinute(parts)) {
        const PackedTime now = DateTimeUtil::PackTime(parts);
        announced.push_back({now, NextBackupTimeForSet(e, now, parts)});
        if (!SimulateScheduleTicks(&e, parts, 1).empty()) launched.push_back(now);
      }
      ASSERT_GE(launched.size(), 3u) << shape.what;
      size_t next = 0, wrong = 0;
      for (const auto& a : announced) {
        while (next < launched.size() && launched[next] < a.first) ++next;
        if (next == launched.size()) break;
        if (a.second != launched[next] && wrong++ == 0)
          ADD_FAILURE() << shape.what << " from " << Stamp(start) << ": at " << Stamp(Parts(a.first))
                        << " announced " << Stamp(Parts(a.second)) << ", launched "
                        << Stamp(Parts(launched[next]));
      }
      EXPECT_EQ(0u, wrong) << shape.what << " from " << Stamp(start);
    }
  }
}

// The missed-run rule over a fortnight, with each setting of RunMissedBackups:
// what is told (and made up), and that no daily set runs twice on one date.
TEST(SimulateScheduleTicks, MissedDailyRunsOverAFortnight) {
  struct Told {
    const char* noticed;  // the minute it is noticed
    int set;
    const char* last;     // the last missed slot
    int count;
    MissedReason why;
  };
  const struct Case {
    const char* what;
    std::vector<SimulatedOff> off;
    std::vector<SimulatedClockSet> clock;
    std::vector<Told> told;
  } cases[] = {
      {"two nights off; the 08:02 run inside the settle time",
       {{At(2026, 12, 1, 18, 0), At(2026, 12, 2, 8, 0)}, {At(2026, 12, 3, 21, 0), At(2026, 12, 4, 9, 0)}},
       {},
       {{"2026-12-02 08:05", 1, "2026-12-01 22:00", 1, MissedReason::NotRunning},
        {"2026-12-02 08:05", 2, "2026-12-02 08:02", 1, MissedReason::SettleTime},
        {"2026-12-04 09:05", 1, "2026-12-03 22:00", 1, MissedReason::NotRunning},
        {"2026-12-04 09:05", 2, "2026-12-04 08:02", 1, MissedReason::NotRunning}}},
      {"a week away: seven days back at most",
       {{At(2026, 12, 3, 12, 0), At(2026, 12, 12, 12, 0)}},
       {},
       {{"2026-12-12 12:05", 1, "2026-12-11 22:00", 7, MissedReason::NotRunning},
        {"2026-12-12 12:05", 2, "2026-12-12 08:02", 7, MissedReason::NotRunning}}},
      {"clock forward over 22:00 (a spring-forward gap)",
       {},
       {{At(2026, 12, 5, 21, 30), At(2026, 12, 5, 22, 30)}},
       {{"2026-12-05 22:30", 1, "2026-12-05 22:00", 1, MissedReason::ClockMoved}}},
      {"the hour after 22:00 comes twice (a fall-back), and a clock set back a day",
       {},
       {{At(2026, 12, 5, 23, 0), At(2026, 12, 5, 21, 59)}, {At(2026, 12, 9, 9, 0), At(2026, 12, 8, 7, 0)}},
       {}},
  };
  for (const Case& c : cases) {
    for (int runMissed : {0, 1}) {
      BackupSetEntry nightly = DailyAt(1, 22, 0), morning = DailyAt(2, 8, 2);
      nightly.LastRunTime = PackTime(2026, 11, 30, 22, 0, 0);
      morning.LastRunTime = PackTime(2026, 11, 30, 8, 2, 0);
      nightly.next = &morning;
      SimulationOptions options;
      options.Off = c.off;
      options.ClockSets = c.clock;
      options.SettleMinutes = 5;
      options.RunMissed = runMissed;
      const std::string what = std::string(c.what) + ", RunMissedBackups " + std::to_string(runMissed);
      std::vector<std::string> told, expected, scheduledDates;
      for (const SimulatedLaunch& l : SimulateScheduleTicks(&nightly, At(2026, 12, 1, 0, 0), 14 * kMinutesPerDay,
                                                            options)) {
        const std::string at = Stamp(l.Minute), set = std::to_string(l.SetNumber);
        if (l.Missed)
          told.push_back(at + " " + set + " missed " + Stamp(l.LastMissed) + " " + std::to_string(l.MissedCount) +
                         " " + MissedReasonText(l.Reason));
        else if (l.Trigger == LaunchTrigger::CatchUp)
          told.push_back(at + " " + set + " catch-up");
        else
          scheduledDates.push_back(set + " " + at.substr(0, 10));
      }
      for (const Told& t : c.told) {
        const std::string at = std::string(t.noticed) + " " + std::to_string(t.set);
        expected.push_back(at + " missed " + t.last + " " + std::to_string(t.count) + " " + MissedReasonText(t.why));
        if (runMissed == 1) expected.push_back(at + " catch-up");
      }
      EXPECT_EQ(expected, told) << what;
      std::vector<std::string> unique = scheduledDates;
      std::sort(unique.begin(), unique.end());
      EXPECT_EQ(unique.end(), std::adjacent_find(unique.begin(), unique.end())) << what << ": a set ran twice on a date";
    }
  }
}

TEST(RealCalendar, RecognisesRealMinutes) {
  EXPECT_EQ(1, IsRealMinute(At(2004, 2, 29, 12, 0)));
  EXPECT_EQ(0, IsRealMinute(At(2003, 2, 29, 12, 0)));
  EXPECT_EQ(0, IsRealMinute(At(2003, 4, 31, 12, 0)));
  EXPECT_EQ(0, IsRealMinute(At(2003, 13, 1, 12, 0)));
  EXPECT_EQ(0, IsRealMinute(At(2003, 12, 8, 24, 0)));
  EXPECT_EQ(0, IsRealMinute(At(2003, 12, 8, 23, 60)));
  EXPECT_EQ(0, IsRealMinute(At(1979, 12, 31, 23, 59)));
  EXPECT_EQ(1, IsRealMinute(At(1980, 1, 1, 0, 0)));
  EXPECT_EQ(1, IsRealMinute(At(2113, 8, 18, 6, 28)));
  EXPECT_EQ(0, IsRealMinute(At(2113, 8, 18, 6, 29)));
  EXPECT_EQ(0, IsRealMinute(At(2113, 9, 1, 0, 0)));
}

}  // namespace
