// Support-log lines: one line each whatever the text holds, a bounded buffer
// that gives up its oldest whole lines, "missed" lines that read back, and
// "deferred" lines of runs held at a stop that read back with their reason.
#include "scheduler/support_log.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "code_page_932.h"

namespace {

TEST(SupportLog, LinesAreStampedOneLineEachAndTheBufferDropsTheOldest) {
  char line[SupportLogLineBytes];
  size_t n = FormatSupportLogLine(line, sizeof line, PackTime(2026, 12, 9, 7, 5, 3), "settings", "a\r\nb");
  EXPECT_EQ("2026-12-09 07:05:03 settings a  b\r\n", std::string(line, n));
  n = FormatSupportLogLine(line, 40, PackTime(2026, 12, 9, 7, 5, 3), "launch", std::string(100, 'x').c_str());
  EXPECT_EQ(39u, n);
  EXPECT_EQ("\r\n", std::string(line + n - 2, 2)) << "cut lines still end";

  SupportLogBuffer buffer;
  const std::string a(SupportLogBufferBytes / 2 - 2, 'a'), b(SupportLogBufferBytes / 2 - 2, 'b');
  buffer.Append((a + "\r\n").c_str(), a.size() + 2);
  buffer.Append((b + "\r\n").c_str(), b.size() + 2);
  EXPECT_EQ(0u, buffer.Dropped());
  buffer.Append("c\r\n", 3);
  EXPECT_EQ(1u, buffer.Dropped());
  EXPECT_EQ(b + "\r\nc\r\n", std::string(buffer.Data(), buffer.Size()));
}

// Each line names the user it was told to, and reads back for that user
// alone; a line naming nobody (written before users were named) for all.
TEST(SupportLog, MissedLinesReadBackForTheUserTheyWereToldTo) {
  const char* names[] = {"Nightly", "with \"quotes\" and \\", ""};
  const char* users[] = {nullptr, "bob", "Ann \"A\""};
  std::string log = "2026-12-09 07:00:00 start Tickwarden\r\n2026-12-09 07:00:01 missed 9 damaged\r\n";
  for (int i = 0; i < 3; ++i) {
    char text[400];
    FormatMissedLogText(text, sizeof text, i - 1, names[i], PackTime(2026, 12, 8, 22, i, 0), 2, "asleep", i == 1,
                        users[i]);
    log += std::string("2026-12-09 07:05:00 missed ") + text + "\r\n";
  }
  EXPECT_NE(std::string::npos,
            log.find("missed 0 \"with \\\"quotes\\\" and \\\\\" 2026-12-08 22:01 2 asleep; made up now; told \"bob\"\r\n"))
      << log;
  const struct {
    const char* User;
    std::vector<int32_t> Sets;
  } cases[] = {{"bob", {-1, 0}}, {"Ann \"A\"", {-1, 1}}, {"", {-1}}, {"bo", {-1}}};
  for (const auto& c : cases) {
    std::vector<std::pair<int32_t, PackedTime>> read;
    ReadMissedLogLines(log.data(), log.size(), c.User, [](int32_t set, PackedTime slot, void* out) {
      static_cast<std::vector<std::pair<int32_t, PackedTime>>*>(out)->push_back({set, slot});
    }, &read);
    ASSERT_EQ(c.Sets.size(), read.size()) << c.User;
    for (size_t i = 0; i < read.size(); ++i) {
      EXPECT_EQ(c.Sets[i], read[i].first) << c.User;
      EXPECT_EQ(PackTime(2026, 12, 8, 22, c.Sets[i] + 1, 0), read[i].second) << c.User;
    }
  }
}

// Names as the user's code page has them: only '"', '\' and control
// characters escaped, a two-byte character whole (表 ends in '\'), a lead
// byte without its second byte as \xHH; every "missed" line reads back.
TEST(SupportLog, MissedLinesKeepNamesAsTheCodePageHasThemAndReadBack) {
  const struct {
    bool japanese;
    const char* name;
    const char* quoted;
  } cases[] = {
      {false, "Nightly", "\"Nightly\""},
      {false, "with \"quotes\" and \\", "\"with \\\"quotes\\\" and \\\\\""},
      {false, "", "\"\""},
      {false, "T\xE4gliche Sicherung\x7F\x01", "\"T\xE4gliche Sicherung\\x7F\\x01\""},
      {true, CP932_ICHIRAN CP932_HYOU, "\"" CP932_ICHIRAN CP932_HYOU "\""},
      {true, CP932_SO "\\\x81", "\"" CP932_SO "\\\\\\x81\""},
  };
  int set = -1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quoted);
    cp932::Scope codePage(c.japanese);
    char text[400];
    FormatMissedLogText(text, sizeof text, set, c.name, PackTime(2026, 12, 8, 22, 1, 0), 2, "asleep", true, nullptr);
    EXPECT_EQ(std::to_string(set) + " " + c.quoted + " 2026-12-08 22:01 2 asleep; made up now", text);
    const std::string log = "2026-12-09 07:00:01 missed 9 damaged\r\n2026-12-09 07:05:00 missed " +
                            std::string(text) + "\r\n2026-12-09 07:05:00 start Tickwarden\r\n";
    std::vector<std::pair<int32_t, PackedTime>> read;
    ReadMissedLogLines(log.data(), log.size(), "", [](int32_t number, PackedTime slot, void* out) {
      static_cast<std::vector<std::pair<int32_t, PackedTime>>*>(out)->push_back({number, slot});
    }, &read);
    ASSERT_EQ(1u, read.size());
    EXPECT_EQ(set++, read[0].first);
    EXPECT_EQ(PackTime(2026, 12, 8, 22, 1, 0), read[0].second);
  }
}

// A held run's line, its launch's ending, and the runs still held at a stop
// read back with their reason (other deferred lines and damaged ones not).
TEST(SupportLog, HeldRunsAtAStopReadBackWithTheirReason) {
  char text[400], note[120], wake[200];
  FormatDeferredLogText(text, sizeof text, 2, "Night \"ly\"", "schedule", PackTime(2026, 12, 8, 22, 0, 0),
                        HoldReason::FullScreen, 60, false);
  EXPECT_STREQ("2 \"Night \\\"ly\\\"\" schedule 2026-12-08 22:00 full screen, at most 60 min", text);
  FormatWaitedNote(note, sizeof note, PackTime(2026, 12, 8, 22, 0, 0), 75, HoldReasonBit(HoldReason::OnBattery) |
                   HoldReasonBit(HoldReason::UserActive), true);
  EXPECT_STREQ("(due 2026-12-08 22:00, waited 75 min: on battery, user active; limit reached)", note);
  FormatWakeLogText(wake, sizeof wake, 2, "Nightly", PackTime(2026, 12, 9, 22, 0, 0), "armed");
  EXPECT_STREQ("2 \"Nightly\" 2026-12-09 22:00: armed", wake);

  std::string log = std::string("2026-12-08 22:00:04 deferred ") + text + "\r\n";
  const struct {
    int32_t set;
    const char* name;
    HoldReason reason;
    int limit;
  } held[] = {{2, "Night \"ly\"", HoldReason::FullScreen, 60}, {-4, "", HoldReason::OnBattery, 60},
              {7, "x", HoldReason::UserActive, 0}};
  for (const auto& h : held) {
    FormatDeferredLogText(text, sizeof text, h.set, h.name, "catch-up", PackTime(2026, 12, 8, 22, 5, 0), h.reason,
                          h.limit, true);
    log += std::string("2026-12-09 07:00:00 deferred ") + text + "\r\n";
  }
  log += "2026-12-09 07:00:00 deferred 9 \"cut\" schedule 2026-12-08; still held when the scheduler stopped\r\n";
  std::vector<std::pair<int32_t, HoldReason>> read;
  ReadHeldAtStopLines(log.data(), log.size(), [](int32_t set, PackedTime slot, HoldReason reason, void* out) {
    EXPECT_EQ(PackTime(2026, 12, 8, 22, 5, 0), slot);
    static_cast<std::vector<std::pair<int32_t, HoldReason>>*>(out)->push_back({set, reason});
  }, &read);
  ASSERT_EQ(3u, read.size()) << log;
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(held[i].set, read[i].first);
    EXPECT_EQ(held[i].reason, read[i].second);
  }
}

}  // namespace
