// Waking for a daily backup: the slot chosen (flagged daily sets only, the
// right day when today is not allowed), its universal time under the zone
// rules of its date (both hemispheres, the changes' edges, the hour that
// comes twice), the lead before the slot, and when a woken computer may sleep
// again; the wakes the replay reports as the power changes.
#include "schedule/wake_time.h"

#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "schedule/schedule_simulation.h"
#include "scheduled_set.h"

namespace {

BackupSetEntry Daily(int32_t number, int32_t hour, int32_t minute, int32_t days = 127) {
  BackupSetEntry e = ScheduledSet(number, 0, hour, minute, days);
  e.ScheduleWakeFlag = 1;
  return e;
}

DateTimeParts Parts(PackedTime t) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(t, p);
  return p;
}

// Eastern time since 2007 and Sydney, as GetTimeZoneInformation gives them.
const ZoneRules kEastern = {300, 0, -60, {0, 11, 0, 1, 2, 0}, {0, 3, 0, 2, 2, 0}};
const ZoneRules kSydney = {-600, 0, -60, {0, 4, 0, 1, 3, 0}, {0, 10, 0, 1, 2, 0}};
const ZoneRules kNoDaylight = {-60, 0, -60, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};

TEST(WakeTime, LocalTimeBecomesUniversalUnderTheRulesOfItsDate) {
  const struct {
    const char* what;
    PackedTime local;
    const ZoneRules& zone;
    int64_t minutesAhead;  // universal minus local
  } cases[] = {
      {"Eastern winter", PackTime(2026, 12, 9, 22, 0, 0), kEastern, 300},
      {"Eastern summer", PackTime(2026, 7, 1, 12, 0, 0), kEastern, 240},
      {"the minute before the spring change", PackTime(2026, 3, 8, 1, 59, 0), kEastern, 300},
      {"the spring change", PackTime(2026, 3, 8, 3, 0, 0), kEastern, 240},
      {"the hour that comes twice: the first time", PackTime(2026, 11, 1, 1, 30, 0), kEastern, 240},
      {"after the autumn change", PackTime(2026, 11, 1, 2, 0, 0), kEastern, 300},
      {"Sydney summer, across the new year", PackTime(2026, 1, 15, 22, 0, 0), kSydney, -660},
      {"Sydney winter", PackTime(2026, 6, 15, 22, 0, 0), kSydney, -600},
      {"no daylight saving", PackTime(2026, 7, 1, 12, 0, 0), kNoDaylight, -60},
  };
  for (const auto& c : cases) {
    const int64_t local = UniversalSecondsOfLocal(c.local, kNoDaylight) - 60 * -60;
    EXPECT_EQ(c.minutesAhead * 60, UniversalSecondsOfLocal(c.local, c.zone) - local) << c.what;
  }
  // Against the system's own count (FILETIME of 2026-12-10 03:00 and 2026-07-01 16:00 UTC).
  EXPECT_EQ(134413452000000000LL, UniversalFileTimeOfLocal(PackTime(2026, 12, 9, 22, 0, 0), kEastern));
  EXPECT_EQ(134273952000000000LL, UniversalFileTimeOfLocal(PackTime(2026, 7, 1, 12, 0, 0), kEastern));
  // A change of one year only (the absolute form) leaves other years alone.
  ZoneRules once = kEastern;
  once.ToDaylight = {2026, 3, 0, 29, 2, 0};
  EXPECT_TRUE(InDaylightTime(PackTime(2026, 4, 1, 12, 0, 0), once));
  EXPECT_FALSE(InDaylightTime(PackTime(2026, 3, 28, 12, 0, 0), once));
  EXPECT_FALSE(InDaylightTime(PackTime(2027, 7, 1, 12, 0, 0), once));
}

TEST(WakeTime, ChoosesTheEarliestFlaggedDailySlot) {
  // Monday 2026-12-07 14:30:15.
  const PackedTime now = PackTime(2026, 12, 7, 14, 30, 15);
  const DateTimeParts parts = Parts(now);
  BackupSetEntry nightly = Daily(1, 22, 0), early = Daily(2, 6, 0), unflagged = Daily(3, 15, 0),
                 weekends = Daily(4, 9, 0, 1 | 64), everyHour = Daily(5, 0, 0), missedToday = Daily(6, 14, 0);
  unflagged.ScheduleWakeFlag = 0;
  everyHour.ScheduleScheduledType = 1;
  everyHour.ScheduleAllDayFlag = 1;
  everyHour.ScheduleFrequency = 60;
  const struct {
    const char* what;
    std::vector<BackupSetEntry*> sets;
    int32_t set;
    PackedTime slot;
  } cases[] = {
      {"tonight before tomorrow morning", {&early, &nightly, &unflagged}, 1, PackTime(2026, 12, 7, 22, 0, 0)},
      {"today's slot has passed: tomorrow", {&missedToday}, 6, PackTime(2026, 12, 8, 14, 0, 0)},
      {"today not allowed: Saturday", {&weekends}, 4, PackTime(2026, 12, 12, 9, 0, 0)},
      {"no flagged daily set", {&unflagged, &everyHour}, 0, 0},
  };
  for (const auto& c : cases) {
    for (size_t i = 0; i < c.sets.size(); ++i) c.sets[i]->next = i + 1 < c.sets.size() ? c.sets[i + 1] : nullptr;
    const WakeChoice w = ChooseWake(c.sets[0], now, parts);
    EXPECT_EQ(c.set, w.Entry ? w.Entry->SetNumber : 0) << c.what;
    EXPECT_EQ(c.slot, w.Slot) << c.what;
  }
  EXPECT_EQ(PackTime(2026, 12, 7, 21, 59, 0), WakeLocalTime(PackTime(2026, 12, 7, 22, 0, 0), now));
  EXPECT_EQ(PackTime(2026, 12, 7, 14, 31, 0), WakeLocalTime(PackTime(2026, 12, 7, 14, 31, 0), now))
      << "less than the lead away: at the slot";
}

TEST(WakeTime, AWokenComputerSleepsAgainOnceTheRunIsOver) {
  const PackedTime slot = PackTime(2026, 12, 7, 22, 0, 0);
  EXPECT_TRUE(WakeIsForSlot(slot, slot - 60));
  EXPECT_FALSE(WakeIsForSlot(slot, slot - 3600)) << "woken long before: not for this slot";
  struct Look {
    PackedTime now;
    uint32_t ms;
    PackedTime lastRun;
    bool held, heldOnBattery, mainProgram;
    const char* verdict;  // null: stays awake
  };
  const struct {
    const char* what;
    std::vector<Look> looks;
  } cases[] = {
      {"launched, the main program runs and ends",
       {{slot - 60, 0, 0, false, false, false, nullptr},
        {slot, 10000, slot, false, false, false, nullptr},
        {slot + 10, 20000, slot, false, false, true, nullptr},
        {slot + 3600, 3600000, slot, false, false, false, "the backup program has ended"}}},
      {"launched, but no main program comes", {{slot, 0, slot, false, false, false, nullptr},
                                               {slot + 130, 130000, slot, false, false, false,
                                                "the backup program did not start"}}},
      {"the slot passes unlaunched", {{slot + 60, 0, 0, false, false, false, nullptr},
                                      {slot + 180, 120000, 0, false, false, false, "nothing is due"}}},
      {"held for mains power", {{slot, 0, 0, true, true, false, "the run waits for mains power"}}},
      {"held for another reason: stays", {{slot + 600, 0, 0, true, false, false, nullptr}}},
      {"at most four hours", {{slot, 0, slot, false, false, true, nullptr},
                              {slot + 14400, KeepAwakeMaxMs, slot, false, false, true, "kept awake for 4 hours"}}},
  };
  for (const auto& c : cases) {
    KeepAwake k = {true, 1, slot, 0, 0, false, false};
    for (const Look& l : c.looks) {
      const AwakeFacts f = {l.now, l.ms, true, l.lastRun, l.held, l.heldOnBattery, l.mainProgram};
      const char* v = KeepAwakeVerdict(k, f);
      EXPECT_STREQ(l.verdict, v) << c.what << " at " << l.ms;
    }
  }
}

// The replay reports each change of the wake: none while on battery (with
// WakeOnBattery 0), armed again on mains, then for the next day after the run.
TEST(WakeTime, TheReplayArmsAgainWhenTheAnswerChanges) {
  BackupSetEntry nightly = Daily(1, 22, 0);
  SimulationOptions o;
  o.Wakes = true;
  o.Defer = {0, 0, 0, 0, 60};
  o.OnBattery = {{{2026, 12, 7, 18, 0, 0}, {2026, 12, 7, 20, 0, 0}}};
  std::vector<std::string> wakes;
  for (const SimulatedLaunch& l : SimulateScheduleTicks(&nightly, {2026, 12, 7, 17, 0, 0}, 6 * 60, o)) {
    if (!l.Wake) continue;
    char line[64];
    snprintf(line, sizeof line, "%02d:%02d %s %02d-%02d %02d:%02d", l.Minute.Hour, l.Minute.Minute,
             l.WakeArmed ? "armed" : "none", l.WakeSlot.Month, l.WakeSlot.Day, l.WakeSlot.Hour, l.WakeSlot.Minute);
    wakes.push_back(line);
  }
  EXPECT_EQ((std::vector<std::string>{"17:00 armed 12-07 22:00", "18:00 none 12-07 22:00", "20:00 armed 12-07 22:00",
                                      "22:00 armed 12-08 22:00"}),
            wakes);
}

}  // namespace
