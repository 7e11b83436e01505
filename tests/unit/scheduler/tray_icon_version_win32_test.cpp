// The version this prefix emulates (the test run sets TW_WINVER to the one it
// asked Wine for) as the program sees it, and the tray icon chosen for it.
// Prints one "[tray]" line, the figure the version matrix reports.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "scheduler/ui/tickwarden_ids.h"
#include "platform/windows_version.h"
#include "scheduler/ui/tray_icon_content.h"

TEST(TrayIconVersion, EmulatedVersionReportsItselfAndGetsItsIcon) {
  char version[32];
  DWORD n = GetEnvironmentVariableA("TW_WINVER", version, sizeof version);
  if (n == 0 || n >= sizeof version) GTEST_SKIP() << "TW_WINVER not set";
  struct {
    const char* name;
    bool ntFamily;
    unsigned major, minor;
    int icon;
  } const expected[] = {
      {"win95", false, 4, 0, IDI_NORMAL_OLD}, {"win98", false, 4, 10, IDI_NORMAL_OLD},
      {"winme", false, 4, 90, IDI_NORMAL},    {"nt40", true, 4, 0, IDI_NORMAL_OLD},
      {"win2k", true, 5, 0, IDI_NORMAL_OLD},  {"winxp", true, 5, 1, IDI_NORMAL},
      {"win2003", true, 5, 2, IDI_NORMAL},    {"vista", true, 6, 0, IDI_NORMAL_OLD},
      {"win7", true, 6, 1, IDI_NORMAL},
      // A program whose manifest names no newer system is told 6.2 there.
      {"win10", true, 6, 2, IDI_NORMAL},
  };
  DWORD word = GetVersion();
  unsigned major = word & 0xFF, minor = (word >> 8) & 0xFF;
  bool nt = IsNtFamilyVersion(word);
  int icon = ChooseNormalIconId(word);
  printf("[tray] %s: version word %08lX = %u.%u, %s family; normal tray icon %d\n", version, (unsigned long)word, major,
         minor, nt ? "NT" : "95/98/ME", icon);
  for (const auto& e : expected) {
    if (strcmp(e.name, version) != 0) continue;
    EXPECT_EQ(e.ntFamily, nt) << version;
    EXPECT_EQ(e.major, major) << version;
    EXPECT_EQ(e.minor, minor) << version;
    EXPECT_EQ(e.icon, icon) << version << " reports " << std::hex << word;
    return;
  }
  GTEST_SKIP() << "no expectation for " << version;
}
