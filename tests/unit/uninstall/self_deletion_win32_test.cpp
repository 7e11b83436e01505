// Finishing mode with real files: the installed uninstaller, its folder and an
// empty maker folder go; anything that is not an installed "Purgewell.exe"
// stays; the copy's own deletion is scheduled either way.
#include "uninstall/self_deletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/bounded_text.h"
#include "program_watch_win32.h"
#include "uninstall/uninstall_state.h"

namespace {

using testwatch::FileExists;
using testwatch::MakeFolder;
using testwatch::WriteText;

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](char c) { return (char)tolower((unsigned char)c); });
  return s;
}

// The pending renames as one lower-case text, the list's terminators as '|'.
std::string PendingRenames() {
  HKEY k;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kSessionManager, &k) != ERROR_SUCCESS) return "";
  char data[8192];
  DWORD size = sizeof data;
  std::string text;
  if (RegQueryValueExA(k, "PendingFileRenameOperations", nullptr, nullptr, (BYTE*)data, &size) == ERROR_SUCCESS)
    text.assign(data, size);
  RegCloseKey(k);
  std::replace(text.begin(), text.end(), '\0', '|');
  return Lower(text);
}

void ClearPendingRenames() {
  HKEY k;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kSessionManager, &k) != ERROR_SUCCESS) return;
  RegDeleteValueA(k, "PendingFileRenameOperations");
  RegCloseKey(k);
}

class FinishRemoval : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearPendingRenames();
    copy_ = scratch_ / "purgetmp.exe";
    ASSERT_TRUE(WriteText(copy_, "copy"));
    CopyBounded(pw::ProgramPath, sizeof pw::ProgramPath, copy_.c_str());
  }
  void TearDown() override {
    ClearPendingRenames();
    WritePrivateProfileStringA("rename", nullptr, nullptr, "wininit.ini");
  }
  // Pending renames on the NT family, wininit.ini's [rename] on 95/98/ME.
  bool CopyScheduled() {
    if ((GetVersion() & 0x80000000u) == 0) return PendingRenames().find(Lower(copy_)) != std::string::npos;
    char value[MAX_PATH] = "";
    char shortPath[MAX_PATH] = "";
    GetPrivateProfileStringA("rename", "nul", "", value, sizeof value, "wininit.ini");
    GetShortPathNameA(copy_.c_str(), shortPath, sizeof shortPath);
    return value[0] && Lower(value) == Lower(shortPath);
  }

  testwatch::ScratchFolder scratch_{"finish"};
  std::string copy_;
};

TEST_F(FinishRemoval, DeletesUninstallerFolderAndEmptyMakerFolderInAnyCase) {
  std::string maker = scratch_ / "vORNACLE";
  std::string install = maker + "\\Cobaltine Backup";
  ASSERT_TRUE(MakeFolder(maker));
  ASSERT_TRUE(MakeFolder(install));
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", "installed", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(0, pw::FinishRemoval((install + "\\PURGEWELL.exe").c_str()));
  EXPECT_FALSE(FileExists(install));
  EXPECT_FALSE(FileExists(maker));
  EXPECT_TRUE(FileExists(scratch_.Path()));
  EXPECT_TRUE(CopyScheduled());
}

TEST_F(FinishRemoval, FolderWithLeftoversStaysAndSoDoesTheMakerFolder) {
  std::string maker = scratch_ / "Vornacle";
  std::string install = maker + "\\Cobaltine";
  ASSERT_TRUE(MakeFolder(maker));
  ASSERT_TRUE(MakeFolder(install));
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", "installed"));
  ASSERT_TRUE(WriteText(install + "\\leftover.txt", "not deleted by any step"));
  EXPECT_EQ(0, pw::FinishRemoval((install + "\\Purgewell.exe").c_str()));
  EXPECT_FALSE(FileExists(install + "\\Purgewell.exe"));
  EXPECT_TRUE(FileExists(install + "\\leftover.txt"));
  EXPECT_TRUE(FileExists(maker));
}

TEST_F(FinishRemoval, ParentNotNamedForTheMakerStays) {
  std::string parent = scratch_ / "Programs";
  std::string install = parent + "\\Cobaltine";
  ASSERT_TRUE(MakeFolder(parent));
  ASSERT_TRUE(MakeFolder(install));
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", "installed"));
  EXPECT_EQ(0, pw::FinishRemoval((install + "\\Purgewell.exe").c_str()));
  EXPECT_FALSE(FileExists(install));
  EXPECT_TRUE(FileExists(parent));
}

TEST_F(FinishRemoval, AnyOtherFileIsLeftButTheCopyStillGoesAtRestart) {
  std::string folder = scratch_ / "Vornacle";
  ASSERT_TRUE(MakeFolder(folder));
  std::string other = folder + "\\important.doc";
  ASSERT_TRUE(WriteText(other, "the user's"));
  EXPECT_EQ(0, pw::FinishRemoval(other.c_str()));
  EXPECT_EQ(0, pw::FinishRemoval(""));
  EXPECT_EQ(0, pw::FinishRemoval("Purgewell.exe"));
  EXPECT_TRUE(FileExists(other));
  EXPECT_TRUE(FileExists(folder));
  EXPECT_TRUE(CopyScheduled());
}

TEST_F(FinishRemoval, OlderPlatformsUseWininitRenameSection) {
  pw::ScheduleDeletionAtRestart(copy_.c_str(), 0);
  char value[MAX_PATH] = "";
  GetPrivateProfileStringA("rename", "nul", "", value, sizeof value, "wininit.ini");
  char shortPath[MAX_PATH] = "";
  GetShortPathNameA(copy_.c_str(), shortPath, sizeof shortPath);
  EXPECT_STREQ(shortPath, value);
  EXPECT_NE('\0', value[0]);
  WritePrivateProfileStringA("rename", nullptr, nullptr, "wininit.ini");
}

}  // namespace
