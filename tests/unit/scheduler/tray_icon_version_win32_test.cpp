// The tray icon chosen for the Windows version this prefix emulates (the test
// run sets TW_WINVER to the version it asked Wine for).
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include "scheduler/tickwarden_ids.h"
#include "scheduler/tray_icon_content.h"

TEST(TrayIconVersion, EmulatedVersionGetsItsIcon) {
  char version[32];
  DWORD n = GetEnvironmentVariableA("TW_WINVER", version, sizeof version);
  if (n == 0 || n >= sizeof version) GTEST_SKIP() << "TW_WINVER not set";
  struct {
    const char* name;
    bool ntFamily;
    int icon;
  } const expected[] = {
      {"win95", false, IDI_NORMAL_OLD}, {"win98", false, IDI_NORMAL_OLD}, {"winme", false, IDI_NORMAL},
      {"nt40", true, IDI_NORMAL_OLD},   {"win2k", true, IDI_NORMAL_OLD},  {"winxp", true, IDI_NORMAL},
      {"win2003", true, IDI_NORMAL},    {"vista", true, IDI_NORMAL_OLD},  {"win7", true, IDI_NORMAL},
      // A program whose manifest names no newer system is told 6.2 there.
      {"win10", true, IDI_NORMAL},
  };
  DWORD word = GetVersion();
  for (const auto& e : expected) {
    if (strcmp(e.name, version) != 0) continue;
    EXPECT_EQ(e.ntFamily, (word & 0x80000000UL) == 0) << version;
    EXPECT_EQ(e.icon, ChooseNormalIconId(word)) << version << " reports " << std::hex << word;
    return;
  }
  GTEST_SKIP() << "no expectation for " << version;
}
