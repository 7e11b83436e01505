// Which normal icon each Windows version gets, and tooltips fitted into the
// shell's 64-byte field without splitting a double-byte character.
#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "code_page_932.h"
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

// Tooltip and balloon texts are cut to their fields between characters.
TEST(TooltipFit, CutsToSixtyThreeBytesBetweenCharacters) {
  cp932::Scope japanese;
  const struct {
    std::string text;
    size_t kept;
  } cases[] = {
      {"Tickwarden", 10},
      {"Next backup at " + std::string(80, 'x'), 63},
      {std::string(62, 'a') + CP932_HYOU "tail", 62},  // the character would need bytes 63 and 64
      {std::string(61, 'a') + CP932_HYOU "zz", 63},
  };
  for (const auto& c : cases) {
    char out[kTooltipFieldSize];
    EXPECT_EQ(c.kept, FitTooltip(c.text.c_str(), out, sizeof out));
    EXPECT_EQ(c.text.substr(0, c.kept), out);
  }
}

}  // namespace
