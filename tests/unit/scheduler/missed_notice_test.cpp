// The words of a missed-run notice: every set named with its time, reason and
// outcome while they fit the balloon, the rest counted; the tooltip form keeps
// its time and outcome whole and gives up the name first. The same for held runs.
#include "scheduler/ui/missed_notice.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "code_page_932.h"

namespace {

void IsoMinute(PackedTime t, char* out, size_t size) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(t, p);
  snprintf(out, size, "%04d-%02d-%02d %02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute);
}

MissedNoticeItem Item(const char* name, int count, MissedReason why, bool runsNow) {
  MissedNoticeItem item = {};
  snprintf(item.Name, sizeof item.Name, "%s", name);
  item.LastSlot = PackTime(2026, 12, 8, 22, 0, 0);
  item.Count = count;
  item.Reason = why;
  item.RunsNow = runsNow;
  return item;
}

TEST(MissedNotice, NamesEachSetWhileItFitsAndCountsTheRest) {
  const std::vector<MissedNoticeItem> one = {Item("Nightly", 1, MissedReason::Asleep, true)};
  char text[256];
  ComposeMissedNotice(one.data(), one.size(), IsoMinute, text, sizeof text);
  EXPECT_STREQ("\"Nightly\" did not run at 2026-12-08 22:00 because the computer was asleep: runs now.", text);
  EXPECT_STREQ("Backup missed", MissedNoticeTitle(1));

  std::vector<MissedNoticeItem> many;
  for (int i = 0; i < 6; ++i) many.push_back(Item("A set with a rather long name", 3, MissedReason::NotRunning, false));
  ComposeMissedNotice(many.data(), many.size(), IsoMinute, text, sizeof text);
  EXPECT_LT(strlen(text), sizeof text);
  EXPECT_EQ(0u, std::string(text).find("\"A set with a rather long name\" missed 3 runs, the last at 2026-12-08 22:00"));
  EXPECT_NE(std::string::npos, std::string(text).find("more (see Logs\\Tickwarden.log).")) << text;
  EXPECT_STREQ("Backups missed", MissedNoticeTitle(6));
}

TEST(MissedNotice, TheTooltipKeepsTimeAndOutcomeWithin63Characters) {
  const struct {
    std::vector<MissedNoticeItem> items;
    const char* expected;
  } cases[] = {
      {{Item("Nightly", 1, MissedReason::Offline, true)}, "Missed \"Nightly\" 2026-12-08 22:00, runs now"},
      {{Item("Photos, Saturday night, every weekend of the year", 1, MissedReason::Asleep, false)},
       "Missed \"Photos, Saturday night, \" 2026-12-08 22:00, not made up"},
      // The name's room ends inside the two-byte 表 (code page 932): the whole of it goes.
      {{Item("Photos, Saturday night," CP932_HYOU CP932_HYOU, 1, MissedReason::Asleep, false)},
       "Missed \"Photos, Saturday night,\" 2026-12-08 22:00, not made up"},
      {{Item("A", 1, MissedReason::Asleep, true), Item("Documents", 2, MissedReason::ClockMoved, true)},
       "Missed 2 backups, last \"Documents\" 2026-12-08 22:00, runs now"},
  };
  cp932::Scope japanese;
  for (const auto& c : cases) {
    char tip[64];
    ComposeMissedTip(c.items.data(), c.items.size(), IsoMinute, tip, sizeof tip);
    EXPECT_STREQ(c.expected, tip);
    EXPECT_LE(strlen(tip), 63u);
  }
}

TEST(MissedNotice, HeldRunsSayWhatTheyWaitFor) {
  const struct {
    std::vector<HeldNoticeItem> items;
    const char* text;
    const char* tip;
  } cases[] = {
      {{{"Nightly", HoldReason::OnBattery, 0, 60}},
       "\"Nightly\" waits until the computer runs on mains power.", "\"Nightly\" waits: on battery"},
      {{{"Nightly", HoldReason::FullScreen, 0, 60}, {"Photos", HoldReason::UserActive, 10, 0}},
       "\"Nightly\" waits until the full-screen program closes, at most 60 minutes.\n\"Photos\" waits until keyboard "
       "and mouse have rested 10 minutes.",
       "2 backups wait, last \"Photos\" waits: user active"},
  };
  for (const auto& c : cases) {
    char text[256], tip[64];
    ComposeHeldNotice(c.items.data(), c.items.size(), text, sizeof text);
    ComposeHeldTip(c.items.data(), c.items.size(), tip, sizeof tip);
    EXPECT_STREQ(c.text, text);
    EXPECT_STREQ(c.tip, tip);
  }
  MissedNoticeItem madeUpLater = Item("Nightly", 1, MissedReason::OnBattery, true);
  madeUpLater.WaitsFor = HoldReason::OnBattery;
  char tip[64];
  ComposeMissedTip(&madeUpLater, 1, IsoMinute, tip, sizeof tip);
  EXPECT_STREQ("Missed \"Nightly\" 2026-12-08 22:00, runs on mains power", tip);
}

}  // namespace
