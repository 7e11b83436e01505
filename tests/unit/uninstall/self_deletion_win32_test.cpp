// Finishing mode with real files: run as the temporary copy, the installed
// uninstaller (a file with the copy's own bytes), its folder and an empty
// maker folder go, and the copy's own deletion is scheduled; any other file
// stays. Run as anything but the copy, nothing at all happens.
#include "uninstall/self_deletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/bounded_text.h"
#include "program_watch_win32.h"
#include "uninstall/uninstall_state.h"

namespace {

using testwatch::FileExists;
using testwatch::TempFolder;
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

// The bytes of the running copy, as far as these tests are concerned.
const char kCopyBytes[] = "the uninstaller's bytes";

class FinishRemoval : public ::testing::Test {
 protected:
  // ProgramPath names the temporary copy, as when the worker started it.
  void SetUp() override {
    ClearPendingRenames();
    copy_ = TempFolder() + "\\purgetmp.exe";
    ASSERT_TRUE(WriteText(copy_, kCopyBytes));
    CopyBounded(pw::ProgramPath, sizeof pw::ProgramPath, copy_.c_str());
  }
  void TearDown() override {
    ClearPendingRenames();
    WritePrivateProfileStringA("rename", nullptr, nullptr, "wininit.ini");
    DeleteFileA(copy_.c_str());
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
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", kCopyBytes, FILE_ATTRIBUTE_ARCHIVE));
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
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", kCopyBytes));
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
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", kCopyBytes));
  EXPECT_EQ(0, pw::FinishRemoval((install + "\\Purgewell.exe").c_str()));
  EXPECT_FALSE(FileExists(install));
  EXPECT_TRUE(FileExists(parent));
}

TEST_F(FinishRemoval, AnyFileButTheUninstallerStaysAndTheCopyStillGoesAtRestart) {
  std::string folder = scratch_ / "Vornacle";
  ASSERT_TRUE(MakeFolder(folder));
  std::string other = folder + "\\important.doc";
  std::string sameName = folder + "\\Purgewell.exe";
  ASSERT_TRUE(WriteText(other, kCopyBytes));
  ASSERT_TRUE(WriteText(sameName, "another program's file of that name"));
  for (const std::string& path : {other, sameName, std::string(""), std::string("Purgewell.exe")})
    EXPECT_EQ(0, pw::FinishRemoval(path.c_str())) << path;
  EXPECT_TRUE(FileExists(other));
  EXPECT_TRUE(FileExists(sameName));
  EXPECT_TRUE(FileExists(folder));
  EXPECT_TRUE(CopyScheduled());
}

TEST_F(FinishRemoval, AnythingButTheTemporaryCopyDoesNothingAtAll) {
  std::string install = scratch_ / "Cobaltine";
  ASSERT_TRUE(MakeFolder(install));
  std::string installed = install + "\\Purgewell.exe";
  ASSERT_TRUE(WriteText(installed, kCopyBytes));
  // The installed uninstaller started by hand, and a file named like the copy
  // somewhere else: neither is the copy the worker made.
  std::string lookalike = scratch_ / "purgetmp.exe";
  ASSERT_TRUE(WriteText(lookalike, kCopyBytes));
  for (const std::string& running : {installed, lookalike}) {
    CopyBounded(pw::ProgramPath, sizeof pw::ProgramPath, running.c_str());
    for (const char* arguments : {"", "help", installed.c_str()}) EXPECT_EQ(0, pw::FinishRemoval(arguments));
    EXPECT_TRUE(FileExists(installed)) << running;
    EXPECT_EQ(std::string::npos, PendingRenames().find(Lower(running))) << running;
  }
  EXPECT_FALSE(CopyScheduled());
}

TEST_F(FinishRemoval, OlderPlatformsAddALineToWininitRenameSection) {
  // Another program's pending deletion, under the same key.
  ASSERT_TRUE(WritePrivateProfileStringA("rename", "NUL", "C:\\OTHERP~1\\OLD.DLL", "wininit.ini"));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "wininit.ini");
  pw::ScheduleDeletionAtRestart(copy_.c_str(), 0);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string text = Lower(testwatch::ReadText(std::string(windows) + "\\wininit.ini"));
  char shortPath[MAX_PATH] = "";
  GetShortPathNameA(copy_.c_str(), shortPath, sizeof shortPath);
  EXPECT_NE(std::string::npos, text.find("nul=c:\\otherp~1\\old.dll\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find("nul=" + Lower(shortPath) + "\r\n")) << text;
}

}  // namespace
