// The guard against clearing roots and system folders, with the prefix's real
// Windows and system folders in both spellings.
#include "uninstall/clearable_folder.h"

#include <windows.h>
#include <gtest/gtest.h>

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

}  // namespace
