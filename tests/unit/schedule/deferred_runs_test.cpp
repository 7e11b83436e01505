// Runs held for power and the user, replayed over a power and input
// timeline: what is held and why, when it launches and what it waited for,
// one launch for several slots of one stretch, every-N-minutes sets, the
// limit, runs held when the computer goes off, and the defaults that hold
// nothing. The hold reason itself over the conditions, and the tick count's wrap.
#include "schedule/deferred_runs.h"

#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "schedule/schedule_simulation.h"
#include "scheduled_set.h"

namespace {

const long kMinutesPerDay = 1440;

DateTimeParts At(int32_t y, int32_t m, int32_t d, int32_t h, int32_t mi) { return DateTimeParts{y, m, d, h, mi, 0}; }

std::string Stamp(const DateTimeParts& p) {
  char buf[32];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute);
  return buf;
}

// Daily (type 0) or every hour all day (type 1).
BackupSetEntry Set(int32_t number, int32_t type, int32_t hour, int32_t minute) {
  BackupSetEntry e = ScheduledSet(number, type, hour, minute);
  e.ScheduleAllDayFlag = 1;
  e.ScheduleFrequency = 60;
  return e;
}

// One line an event, as a support engineer would read the replay.
std::vector<std::string> Replay(BackupSetEntry& e, DateTimeParts start, long minutes, const SimulationOptions& o) {
  std::vector<std::string> lines;
  for (const SimulatedLaunch& l : SimulateScheduleTicks(&e, start, minutes, o)) {
    std::string line = Stamp(l.Minute) + " ";
    if (l.Missed) {
      line += "missed " + Stamp(l.LastMissed) + " " + MissedReasonText(l.Reason);
    } else if (l.Deferred) {
      line += std::string("deferred ") + LaunchTriggerWord(l.Trigger) + " " + HoldReasonText(l.Hold);
    } else if (l.Wake) {
      line += l.WakeArmed ? "wake " + Stamp(l.WakeSlot) : "no wake";
    } else {
      line += LaunchTriggerWord(l.Trigger);
      if (l.WaitedFor != 0) {
        line += " waited " + std::to_string(l.WaitedMinutes);
        for (HoldReason r : {HoldReason::OnBattery, HoldReason::FullScreen, HoldReason::UserActive})
          if (l.WaitedFor & HoldReasonBit(r)) line += std::string(", ") + HoldReasonText(r);
        if (l.LimitReached) line += ", limit";
      }
    }
    lines.push_back(line);
  }
  return lines;
}

typedef std::vector<std::string> Lines;

TEST(HoldReasonNow, FollowsThePreferencesAndTheConditions) {
  const DeferPreferences none = {0, 0, 0, 0, 60}, battery = {1, 0, 0, 0, 60}, screen = {0, 0, 1, 0, 60},
                         idle = {0, 0, 0, 10, 60}, all = {1, 0, 1, 10, 60};
  const struct {
    const char* what;
    DeferPreferences p;
    HoldConditions c;
    HoldReason expected;
  } cases[] = {
      {"the defaults hold nothing", none, {true, true, false, 0, false}, HoldReason::None},
      {"on battery", battery, {true, false, false, 100, false}, HoldReason::OnBattery},
      {"on mains", battery, {false, true, false, 0, false}, HoldReason::None},
      {"full screen", screen, {false, true, false, 100, false}, HoldReason::FullScreen},
      {"battery before full screen", all, {true, true, false, 0, false}, HoldReason::OnBattery},
      {"used 9 minutes ago", idle, {false, false, false, 9, false}, HoldReason::UserActive},
      {"rested 10 minutes", idle, {false, false, false, 10, false}, HoldReason::None},
      {"idle time unknown (Windows 95 to NT 4.0)", idle, {false, false, false, -1, false}, HoldReason::None},
      {"a screen saver: nobody there", all, {false, true, true, 0, false}, HoldReason::None},
      {"a screen saver does not run the battery down", all, {true, false, true, 0, false}, HoldReason::OnBattery},
      {"an unattended wake on battery starts nothing", none, {true, false, false, 100, true}, HoldReason::OnBattery},
      {"... unless WakeOnBattery is 1", {0, 1, 0, 0, 60}, {true, false, false, 100, true}, HoldReason::None},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, HoldReasonNow(c.p, c.c)) << c.what;
  EXPECT_FALSE(ConditionsFor(none, false).Any()) << "the defaults read nothing of the system";
  EXPECT_TRUE(ConditionsFor(none, true).Power);
}

TEST(HoldReasonNow, IdleTimeCountsAcrossTheTickCountsWrap) {
  EXPECT_EQ(5000u, MillisecondsSince(0x00000FA0u, 0xFFFFFC18u));
  EXPECT_EQ(0u, MillisecondsSince(7, 7));
}

// The held runs of one nightly set at 22:00 (every-N-minutes where said),
// from Monday 2026-12-07 12:00.
TEST(DeferredRuns, LaunchAtTheFirstMinuteTheReasonIsGone) {
  const DateTimeParts start = At(2026, 12, 7, 12, 0);
  const struct Case {
    const char* what;
    int32_t type;
    DeferPreferences prefs;
    std::vector<SimulatedStretch> battery, screen, busy;
    Lines expected;
  } cases[] = {
      {"held on battery, launched once on mains",
       0, {1, 0, 0, 0, 60}, {{At(2026, 12, 7, 21, 0), At(2026, 12, 7, 23, 30)}}, {}, {},
       {"2026-12-07 22:00 deferred schedule on battery", "2026-12-07 23:30 schedule waited 90, on battery",
        "2026-12-08 22:00 schedule"}},
      {"the defaults are unchanged on battery",
       0, {0, 0, 0, 0, 60}, {{At(2026, 12, 7, 21, 0), At(2026, 12, 7, 23, 30)}}, {}, {},
       {"2026-12-07 22:00 schedule", "2026-12-08 22:00 schedule"}},
      {"two slots held in one stretch run once",
       0, {1, 0, 0, 0, 60}, {{At(2026, 12, 7, 21, 0), At(2026, 12, 9, 8, 0)}}, {}, {},
       {"2026-12-07 22:00 deferred schedule on battery", "2026-12-09 08:00 schedule waited 2040, on battery"}},
      {"an every-N-minutes set is not launched while held, then runs again",
       1, {1, 0, 0, 0, 60}, {{At(2026, 12, 7, 12, 30), At(2026, 12, 7, 14, 10)}}, {}, {},
       {"2026-12-07 12:00 schedule", "2026-12-07 13:00 deferred schedule on battery",
        "2026-12-07 14:10 schedule waited 70, on battery", "2026-12-07 15:10 schedule"}},
      {"a full-screen program that closes",
       0, {0, 0, 1, 0, 60}, {}, {{At(2026, 12, 7, 21, 30), At(2026, 12, 7, 22, 20)}}, {},
       {"2026-12-07 22:00 deferred schedule full screen", "2026-12-07 22:20 schedule waited 20, full screen",
        "2026-12-08 22:00 schedule"}},
      {"a full-screen program that stays: launched at the limit",
       0, {0, 0, 1, 0, 45}, {}, {{At(2026, 12, 7, 21, 30), At(2026, 12, 8, 2, 0)}}, {},
       {"2026-12-07 22:00 deferred schedule full screen", "2026-12-07 22:45 schedule waited 45, full screen, limit",
        "2026-12-08 22:00 schedule"}},
      {"no limit (0)",
       0, {0, 0, 1, 0, 0}, {}, {{At(2026, 12, 7, 21, 30), At(2026, 12, 8, 2, 0)}}, {},
       {"2026-12-07 22:00 deferred schedule full screen", "2026-12-08 02:00 schedule waited 240, full screen",
        "2026-12-08 22:00 schedule"}},
      {"the battery has no limit, the limit counts from the full-screen program",
       0, {1, 0, 1, 0, 30}, {{At(2026, 12, 7, 21, 0), At(2026, 12, 7, 23, 0)}},
       {{At(2026, 12, 7, 21, 0), At(2026, 12, 8, 2, 0)}}, {},
       {"2026-12-07 22:00 deferred schedule on battery",
        "2026-12-07 23:30 schedule waited 90, on battery, full screen, limit", "2026-12-08 22:00 schedule"}},
      {"keyboard and mouse rest 10 minutes first",
       0, {0, 0, 0, 10, 60}, {}, {}, {{At(2026, 12, 7, 21, 50), At(2026, 12, 7, 22, 5)}},
       {"2026-12-07 22:00 deferred schedule user active", "2026-12-07 22:15 schedule waited 15, user active",
        "2026-12-08 22:00 schedule"}},
  };
  for (const Case& c : cases) {
    BackupSetEntry e = Set(1, c.type, 22, 0);
    e.LastRunTime = PackTime(2026, 12, 6, 22, 0, 0);
    if (c.type == 1) e.LastRunTime = PackTime(2026, 12, 7, 11, 0, 0);
    SimulationOptions o;
    o.Defer = c.prefs;
    o.OnBattery = c.battery;
    o.FullScreen = c.screen;
    o.Busy = c.busy;
    const long minutes = c.type == 1 ? 200 : 2 * kMinutesPerDay;
    EXPECT_EQ(c.expected, Replay(e, start, minutes, o)) << c.what;
  }
}

// A run held when the computer goes off is missed for its reason at the next
// start; a missed run made up on battery waits for mains too; so does the
// start-up run.
TEST(DeferredRuns, HeldAcrossAStopAndMadeUpRunsWaitToo) {
  SimulationOptions o;
  o.Defer = {1, 0, 0, 0, 60};
  o.RunMissed = 1;
  o.OnBattery = {{At(2026, 12, 7, 21, 0), At(2026, 12, 8, 9, 0)}};
  o.Off = {{At(2026, 12, 7, 23, 0), At(2026, 12, 8, 8, 0)}};
  BackupSetEntry nightly = Set(1, 0, 22, 0);
  nightly.LastRunTime = PackTime(2026, 12, 6, 22, 0, 0);
  EXPECT_EQ((Lines{"2026-12-07 22:00 deferred schedule on battery", "2026-12-08 08:00 missed 2026-12-07 22:00 on battery",
                   "2026-12-08 08:00 deferred catch-up on battery", "2026-12-08 09:00 catch-up waited 60, on battery"}),
            Replay(nightly, At(2026, 12, 7, 21, 0), 13 * 60, o));

  BackupSetEntry boot = Set(2, 0, 0, 0);
  boot.ScheduleAutomatic = 0;
  boot.ScheduleAtStartupFlag = 1;
  o.Off.clear();
  EXPECT_EQ((Lines{"2026-12-07 21:00 deferred startup on battery", "2026-12-08 09:00 startup waited 720, on battery"}),
            Replay(boot, At(2026, 12, 7, 21, 0), 13 * 60, o));
}

}  // namespace
