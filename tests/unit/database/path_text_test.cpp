// LastCharacter and AppendBackslash.
#include "database/path_text.h"

#include <gtest/gtest.h>

#include <string.h>

TEST(AppendBackslash, AddsOnlyWhenMissing) {
  char drive[260] = "C:";
  AppendBackslash(drive);
  EXPECT_STREQ(drive, "C:\\");
  AppendBackslash(drive);
  EXPECT_STREQ(drive, "C:\\");
  char slash[260] = "dir/";
  AppendBackslash(slash);
  EXPECT_STREQ(slash, "dir/");
  char empty[260] = "";
  AppendBackslash(empty);
  EXPECT_STREQ(empty, "");
  AppendBackslash(nullptr);
}

TEST(AppendBackslash, NeverWritesPastTheBuffer) {
  char full[4] = "abc";
  AppendBackslash(full, sizeof full);
  EXPECT_STREQ(full, "abc");
  char room[5] = "abc";
  AppendBackslash(room, sizeof room);
  EXPECT_STREQ(room, "abc\\");
}

TEST(LastCharacter, PointsAtFinalCharacter) {
  EXPECT_EQ(LastCharacter(static_cast<const char*>(nullptr)), nullptr);
  const char* empty = "";
  EXPECT_EQ(LastCharacter(empty), empty);
  const char* text = "abc";
  EXPECT_EQ(LastCharacter(text), text + 2);
}
