// Stepping through paths and names by character, on code page 932 strings
// whose second bytes are '\' (表 ソ 能) or '|' (ポ): separators, searches,
// case-blind comparison and cuts must never take a second byte for an ASCII
// character, and must behave as before on single-byte text.
#include "platform/path_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "code_page_932.h"

namespace {

struct Case {
  const char* text;
  bool endsWithBackslash;
  int firstBackslash;  // byte offset, -1 for none
  int lastBackslash;
  size_t wholeIn5;  // WholeCharacterLength(text, 5)
};

const Case kCases[] = {
    {"C:\\" CP932_ICHIRAN CP932_HYOU, false, 2, 2, 5},          // C:\一覧表
    {"C:\\" CP932_ICHIRAN CP932_HYOU "\\", true, 2, 9, 5},
    {CP932_SO CP932_NOU "\\x", false, 4, 4, 5},                // ソ能\x
    {"abc" CP932_HYOU, false, -1, -1, 5},
    {"abcd" CP932_HYOU, false, -1, -1, 4},                     // 表 would take bytes 5 and 6
    {CP932_PO "|", false, -1, -1, 3},                          // ポ|
    {"a\x81", false, -1, -1, 2},                               // a lead byte at the end stands alone
    {"a\x81\\", false, -1, -1, 3},                             // 81 5C is one character
    {"\x81\"\\", true, 2, 2, 3},                               // a quote ends no character
    {"plain\\dir\\", true, 5, 9, 5},
    {"", false, -1, -1, 0},
};

int Offset(const char* text, const char* found) { return found ? static_cast<int>(found - text) : -1; }

TEST(PathChars, StepByCharacterOfCodePage932) {
  cp932::Scope japanese;
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(c.endsWithBackslash, EndsWithBackslash(c.text));
    EXPECT_EQ(c.endsWithBackslash, EndsWithSeparator(c.text));
    EXPECT_EQ(c.firstBackslash, Offset(c.text, FindCharacter(c.text, '\\')));
    EXPECT_EQ(c.lastBackslash, Offset(c.text, FindLastCharacter(c.text, '\\')));
    EXPECT_EQ(c.wholeIn5, WholeCharacterLength(c.text, 5));
  }
  EXPECT_TRUE(EndsWithSeparator("C:\\" CP932_ICHIRAN CP932_HYOU "/"));
  const char po[] = CP932_PO CP932_PO "|";
  EXPECT_EQ(4, Offset(po, FindCharacter(po, '|')));
}

TEST(PathChars, SingleByteCodePagesStepByteByByte) {
  // In code page 1252 the same bytes are single characters ("\x95\\" is "•\").
  cp932::Scope singleByte(false);
  EXPECT_TRUE(EndsWithBackslash("C:\\" CP932_ICHIRAN CP932_HYOU));
  EXPECT_EQ(5u, WholeCharacterLength("\xC4rger\xFC\\", 5));
}

TEST(PathChars, CaseBlindOnlyForSingleByteLetters) {
  cp932::Scope japanese;
  EXPECT_TRUE(BeginsWithIgnoringCase("C:\\WINDOWS\\system32", "c:\\windows"));
  EXPECT_TRUE(SameTextIgnoringCase(CP932_ICHIRAN "Purgewell.EXE", CP932_ICHIRAN "purgewell.exe"));
  // ア (83 41) and ャ (83 61) differ only in a second byte that looks like a letter.
  EXPECT_FALSE(SameTextIgnoringCase("\x83\x41", "\x83\x61"));
  EXPECT_FALSE(BeginsWithIgnoringCase("C:\\", "C:\\x"));
  EXPECT_FALSE(SameTextIgnoringCase("abc", "ab"));
}

}  // namespace
