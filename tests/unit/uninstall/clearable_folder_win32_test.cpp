// The guard against clearing roots and system folders, with the prefix's real
// Windows and system folders in both spellings, and in Wine's host spelling
// (drive Z: is the host's root), which only their identity gives away.
#include "uninstall/clearable_folder.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

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

TEST(ClearableFolder, AnInstallationFolderIs) {
  EXPECT_TRUE(pw::IsClearableFolder("C:\\Program Files\\Vornacle\\Cobaltine"));
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_TRUE(pw::IsClearableFolder((std::string(windows) + "\\Temp\\Cobaltine").c_str()));
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

}  // namespace
