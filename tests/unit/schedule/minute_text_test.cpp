// The minute form of a time, as hdbtool's options and the support log's
// "missed" lines are read back: only an exact, existing minute is taken.
#include "schedule/minute_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MinuteText, OnlyAnExactExistingMinuteReadsBack) {
  char written[24];
  FormatMinute(PackTime(2028, 2, 29, 7, 5, 59), written, sizeof written);
  EXPECT_STREQ("2028-02-29 07:05", written);
  const struct {
    const char* text;
    bool read;
  } cases[] = {
      {"2028-02-29 07:05", true},  {"2028-02-29 07:05 and more", true}, {"2027-02-29 07:05", false},
      {"2026-12-31 24:00", false}, {"2026-1-31 07:05", false},          {"2026-12-31 7:05", false},
      {"2026-12-31T07:05", false}, {"2026/12/31 07:05", false},         {"2026-12-31 07:0", false},
      {"", false},
  };
  for (const auto& c : cases) {
    DateTimeParts parts = {};
    EXPECT_EQ(c.read, ReadMinuteText(c.text, parts)) << c.text;
    if (c.read) {
      EXPECT_EQ(PackTime(2028, 2, 29, 7, 5, 0), DateTimeUtil::PackTime(parts)) << c.text;
    }
  }
}

}  // namespace
