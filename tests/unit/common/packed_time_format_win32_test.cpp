// Text form of packed times under the platform's formatting calls: the joined
// date and time, the fallback to empty parts, and cutting to small buffers.
#include "common/packed_time.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "code_page_932.h"

namespace {

std::string PlatformDate(const SYSTEMTIME& st) {
  char buf[100];
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf) == 0)
    return "";
  return buf;
}

std::string PlatformTime(const SYSTEMTIME& st) {
  char buf[100];
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf) == 0) return "";
  return buf;
}

// Shift-JIS style lead bytes, independent of the code page the test runs in.
TEST(FormatPackedTime, IsTheUsersShortDateABlankAndTheUsersTime) {
  DateTimeUtil util;
  const PackedTime value = 769357815u;  // 2003-12-08 14:30:15
  SYSTEMTIME st;
  util.PackedToSystemTime(value, st);
  const std::string expected = PlatformDate(st) + " " + PlatformTime(st);
  ASSERT_GT(expected.size(), 1u);

  char out[200];
  util.FormatPackedTime(value, out, sizeof out);
  EXPECT_EQ(expected, out);
  EXPECT_NE(std::string::npos, std::string(out).find("2003"));
}

TEST(FormatPackedTime, ImpossibleDateIsHandedOverAndAnEmptyDateLeavesTheBlank) {
  DateTimeUtil util;
  const PackedTime value = 749908800u;  // 2003-04-31 12:00:00
  SYSTEMTIME st;
  util.PackedToSystemTime(value, st);
  char out[200];
  util.FormatPackedTime(value, out, sizeof out);
  EXPECT_EQ(PlatformDate(st) + " " + PlatformTime(st), out);
  if (PlatformDate(st).empty()) {
    EXPECT_EQ(' ', out[0]);
  }
}

TEST(FormatPackedTime, NeverWritesPastTheGivenSize) {
  DateTimeUtil util;
  char full[200];
  util.FormatPackedTime(769357815u, full, sizeof full);
  const size_t length = strlen(full);
  for (unsigned size = 0; size <= length + 2; ++size) {
    char buf[220];
    memset(buf, '#', sizeof buf);
    util.FormatPackedTime(769357815u, buf, size);
    for (unsigned i = size; i < sizeof buf; ++i) ASSERT_EQ('#', buf[i]) << "size " << size;
    if (size == 0) continue;
    const size_t kept = size - 1 < length ? size - 1 : length;
    ASSERT_EQ(kept, strlen(buf)) << "size " << size;
    ASSERT_EQ(0, memcmp(full, buf, kept));
  }
}

TEST(JoinDateAndTimeText, BothPartsEmptyGiveASingleBlank) {
  char out[200];
  JoinDateAndTimeText("", "", out, sizeof out);
  EXPECT_STREQ(" ", out);
  JoinDateAndTimeText("", "14:30:15", out, sizeof out);
  EXPECT_STREQ(" 14:30:15", out);
  JoinDateAndTimeText("08/12/2003", "", out, sizeof out);
  EXPECT_STREQ("08/12/2003 ", out);
}

TEST(JoinDateAndTimeText, CutsToTheBuffer) {
  struct Case {
    unsigned size;
    const char* expected;
  } cases[] = {{1, ""}, {2, "0"}, {6, "08/12"}, {12, "08/12/2003 "}, {14, "08/12/2003 14"}};
  for (const Case& c : cases) {
    char out[32];
    memset(out, '#', sizeof out);
    JoinDateAndTimeText("08/12/2003", "14:30", out, c.size);
    EXPECT_STREQ(c.expected, out) << "size " << c.size;
    EXPECT_EQ('#', out[c.size]);
  }
}

TEST(JoinDateAndTimeText, OverlongPartsAreCutNotOverrun) {
  std::string longDate(300, 'd');
  std::string longTime(300, 't');
  char out[260];
  JoinDateAndTimeText(longDate.c_str(), longTime.c_str(), out, sizeof out);
  EXPECT_EQ(std::string(99, 'd') + " " + std::string(99, 't'), out);
}

TEST(JoinDateAndTimeText, NeverSplitsADoubleByteCharacter) {
  // "\x93\xfa" and "\x8e\x9e" are double-byte characters.
  const char date[] = "2003\x94\x4e" "12\x8c\x8e";
  const char timeText[] = "14\x8e\x9e";
  struct Case {
    unsigned size;
    const char* expected;
  } cases[] = {
      {5, "2003"},                        // would end inside the first character
      {6, "2003"},                        // room for one byte of it only
      {7, "2003\x94\x4e"},                // the whole first character
      {10, "2003\x94\x4e" "12"},          // not half of the second
      {11, "2003\x94\x4e" "12\x8c\x8e"},
      {15, "2003\x94\x4e" "12\x8c\x8e 14"},
  };
  cp932::Scope japanese;
  for (const Case& c : cases) {
    char out[32];
    JoinDateAndTimeText(date, timeText, out, c.size);
    EXPECT_STREQ(c.expected, out) << "size " << c.size;
  }
}

TEST(JoinDateAndTimeText, ALeadByteAtTheVeryEndCountsAsOneByte) {
  cp932::Scope japanese;
  char out[32];
  JoinDateAndTimeText("ab", "c\x81", out, sizeof out);
  EXPECT_STREQ("ab c\x81", out);
}

}  // namespace
