// The guard against clearing roots and system folders, with the prefix's real
// Windows and system folders in both spellings, and in Wine's host spelling
// (drive Z: is the host's root), which only their identity gives away.
#include "uninstall/removal_steps.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "program_watch_win32.h"
#include "wine_drives.h"

namespace {

TEST(ClearableFolder, RootsAndSystemFoldersAreNot) {
  char windows[MAX_PATH];
  char system[MAX_PATH];
  char shortSystem[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetShortPathNameA(system, shortSystem, MAX_PATH);
  for (std::string folder : {std::string("C:\\"), std::string("C:"), std::string(windows), std::string(system),
                             std::string(shortSystem), std::string(windows) + "\\\\"})
    EXPECT_FALSE(pw::IsClearableFolder(folder.c_str())) << folder;
}

// Real folders, so that the identity comparison runs too (a folder that does
// not exist has no identity and passes on its spelling alone).
TEST(ClearableFolder, AnInstallationFolderIs) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  for (std::string folder : {std::string("C:\\Program Files\\Vornacle PwTest"), std::string(windows) + "\\Temp\\PwTest"}) {
    ASSERT_TRUE(testwatch::MakeFolders(folder)) << folder;
    EXPECT_TRUE(pw::IsClearableFolder(folder.c_str())) << folder;
    testwatch::Wipe(folder);
  }
}

TEST(ClearableFolder, TheSameFoldersSpeltThroughAnotherDriveAreNot) {
  const char* prefix = getenv("WINEPREFIX");
  if (!prefix || prefix[0] != '/') GTEST_SKIP() << "needs Wine's Z: drive";
  std::string driveC = std::string("Z:") + prefix + "/drive_c";
  for (char& c : driveC)
    if (c == '/') c = '\\';
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((driveC + "\\windows").c_str()));
  for (const char* below : {"", "\\windows", "\\WINDOWS\\system32"})
    EXPECT_FALSE(pw::IsClearableFolder((driveC + below).c_str())) << driveC + below;
  // Below them, and beside them, as everywhere.
  EXPECT_TRUE(pw::IsClearableFolder((driveC + "\\windows\\temp").c_str()));
  EXPECT_TRUE(pw::IsClearableFolder((driveC + "\\Program Files").c_str()));
}

// A folder that is the root of a disk (drive S: here) is that disk's root in
// any spelling; below it is an ordinary folder.
TEST(ClearableFolder, TheRootOfADiskIsNotInAnySpelling) {
  testwatch::ScratchFolder scratch("disk");
  std::string below = scratch / "Backups";
  ASSERT_TRUE(testwatch::MakeFolder(below));
  EXPECT_TRUE(pw::IsClearableFolder(scratch.Path().c_str()));
  ASSERT_TRUE(DefineTestDrive('s', scratch.Path().c_str(), DRIVE_FIXED));
  // The drive is there once it lists, has its type and shows its folder.
  ASSERT_TRUE(testwatch::PollUntil([] {
    return (GetLogicalDrives() & (1UL << ('S' - 'A'))) && GetDriveTypeA("S:\\") == DRIVE_FIXED &&
           testwatch::FileExists("S:\\Backups");
  }, 10000));
  EXPECT_FALSE(pw::IsClearableFolder(scratch.Path().c_str()));
  EXPECT_TRUE(pw::IsClearableFolder(below.c_str()));
  EXPECT_TRUE(pw::IsClearableFolder("S:\\Backups"));
  RemoveTestDrive('s');
}

}  // namespace
