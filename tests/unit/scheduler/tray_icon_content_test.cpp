// Which normal icon each Windows version gets, and tooltips fitted into the
// shell's 64-byte field without splitting a double-byte character.
#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "scheduler/ui/tickwarden_ids.h"
#include "scheduler/ui/tray_icon_content.h"

namespace {

// GetVersion words: build in the high word (top bit set on 95/98/ME), minor
// version in the second byte, major in the low byte.
struct VersionCase {
  const char* name;
  unsigned long word;
  int icon;
};

TEST(TrayIconChoice, FollowsTheVersionTable) {
  const VersionCase cases[] = {
      {"Windows 95", 0xC3B60004UL, IDI_NORMAL_OLD},
      {"Windows 98", 0xC0000A04UL, IDI_NORMAL_OLD},
      {"Windows ME", 0xC0005A04UL, IDI_NORMAL},
      {"NT 4.0", 0x05650004UL, IDI_NORMAL_OLD},
      {"Windows 2000", 0x08930005UL, IDI_NORMAL_OLD},
      {"Windows XP", 0x0A280105UL, IDI_NORMAL},
      {"Windows 2003", 0x0ECE0205UL, IDI_NORMAL},
      {"Vista (6.0)", 0x17700006UL, IDI_NORMAL_OLD},
      {"Windows 7 (6.1)", 0x1DB10106UL, IDI_NORMAL},
      {"Windows 10 (10.0)", 0x4A63000AUL, IDI_NORMAL_OLD},
  };
  for (const VersionCase& c : cases) EXPECT_EQ(c.icon, ChooseNormalIconId(c.word)) << c.name;
}

bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

TEST(TooltipFit, ShortTextIsCopiedWhole) {
  char out[kTooltipFieldSize];
  EXPECT_EQ(10u, FitTooltip("Tickwarden", out, sizeof out, ShiftJisLead));
  EXPECT_STREQ("Tickwarden", out);
}

TEST(TooltipFit, LongTextIsCutToSixtyThreeBytes) {
  std::string text = "Next backup at " + std::string(80, 'x');
  char out[kTooltipFieldSize];
  EXPECT_EQ(63u, FitTooltip(text.c_str(), out, sizeof out, nullptr));
  EXPECT_EQ(63u, strlen(out));
  EXPECT_EQ(0, strncmp(out, text.c_str(), 63));
}

TEST(TooltipFit, NeverSplitsADoubleByteCharacter) {
  // 62 single bytes, then a two-byte character that would need bytes 63 and 64.
  std::string text(62, 'a');
  text += "\x82\xA0";  // one double-byte character
  text += "tail";
  char out[kTooltipFieldSize];
  EXPECT_EQ(62u, FitTooltip(text.c_str(), out, sizeof out, ShiftJisLead));
  EXPECT_EQ(std::string(62, 'a'), out);

  // One byte earlier the character fits whole.
  std::string shorter(61, 'a');
  shorter += "\x82\xA0zz";
  EXPECT_EQ(63u, FitTooltip(shorter.c_str(), out, sizeof out, ShiftJisLead));
  EXPECT_EQ('\xA0', out[62]);
}

TEST(TooltipFit, LeadByteBeforeTheTerminatorCountsAlone) {
  char out[kTooltipFieldSize];
  EXPECT_EQ(2u, FitTooltip("a\x82", out, sizeof out, ShiftJisLead));
}

}  // namespace
