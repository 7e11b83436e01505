// Shortcut deletion in the test prefix's real shell folders: the all-users
// folder on the NT family, the user's own one only as the fallback.
#include "uninstall/removal_steps.h"

#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/windows_version.h"
#include "program_watch_win32.h"

namespace {

using testwatch::FileExists;
using testwatch::WriteText;

std::string FolderOf(int csidl) {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

struct ShortcutKind {
  int common;
  int user;
  bool (*remove)(const char*);
};

const ShortcutKind kKinds[] = {
    {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, pw::DeleteProgramsShortcut},
    {CSIDL_COMMON_STARTUP, CSIDL_STARTUP, pw::DeleteStartupShortcut},
    {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, pw::DeleteDesktopShortcut},
};

bool NtFamily() { return IsNtFamily(); }

// On the NT family the all-users shortcut is the product's and the user's own
// stays; on 95/98/ME it is the other way round.
TEST(Shortcuts, OnlyTheFolderOfThePlatformFamilyIsLookedAt) {
  for (const ShortcutKind& kind : kKinds) {
    std::string common = FolderOf(kind.common) + "\\PwTest Shortcut.lnk";
    std::string user = FolderOf(kind.user) + "\\PwTest Shortcut.lnk";
    ASSERT_NE(common, user);
    ASSERT_TRUE(WriteText(common, "lnk"));
    ASSERT_TRUE(WriteText(user, "lnk"));
    EXPECT_TRUE(kind.remove("PwTest Shortcut"));
    EXPECT_NE(NtFamily(), FileExists(common)) << common;
    EXPECT_EQ(NtFamily(), FileExists(user)) << user;
    DeleteFileA(user.c_str());
    DeleteFileA(common.c_str());
  }
}

TEST(Shortcuts, ReadOnlyShortcutAndOtherNamesStay) {
  std::string folder = FolderOf(NtFamily() ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP);
  std::string readOnly = folder + "\\PwTest ReadOnly.lnk";
  std::string other = folder + "\\PwTest Shortcut Other.lnk";
  ASSERT_TRUE(WriteText(readOnly, "lnk", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteText(other, "lnk"));
  EXPECT_TRUE(pw::DeleteStartupShortcut("PwTest ReadOnly"));
  EXPECT_TRUE(pw::DeleteStartupShortcut("PwTest Shortcut"));
  EXPECT_TRUE(pw::DeleteStartupShortcut(""));
  EXPECT_TRUE(FileExists(readOnly));
  EXPECT_TRUE(FileExists(other));
  testwatch::Wipe(readOnly);
  testwatch::Wipe(other);
}

TEST(Shortcuts, FolderChoiceFollowsThePlatformFamily) {
  char folder[MAX_PATH];
  ASSERT_TRUE(pw::FindShortcutFolder(CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, true, folder));
  EXPECT_EQ(FolderOf(CSIDL_COMMON_PROGRAMS), folder);
  ASSERT_TRUE(pw::FindShortcutFolder(CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, false, folder));
  EXPECT_EQ(FolderOf(CSIDL_PROGRAMS), folder);
}

}  // namespace
