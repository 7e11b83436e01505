// Which repository directories the uninstaller accepts: only absolute folders
// below a root that neither are nor contain the Windows or system folder.
#include "uninstall/repository_directory_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kGuarded[] = {"C:\\WINDOWS", "C:\\WINDOWS\\system32", "C:\\WINDOW~1"};

bool Accepted(const char* directory) { return pw::IsRemovableRepositoryDirectory(directory, kGuarded, 3); }

std::string Normalised(const char* folder) {
  char out[260];
  return pw::NormaliseFolder(folder, out, sizeof out) ? std::string(out) : std::string("<refused>");
}

TEST(RepositoryDirectoryRules, AcceptsFoldersOnDrivesAndShares) {
  EXPECT_TRUE(Accepted("D:\\Backups"));
  EXPECT_TRUE(Accepted("D:\\Backups\\"));
  EXPECT_TRUE(Accepted("c:\\Program Files\\Vornacle\\Cobaltine\\data"));
  EXPECT_TRUE(Accepted("\\\\server\\share\\Backups"));
  EXPECT_TRUE(Accepted("C:\\WindowsBackups"));  // a name that merely begins like a guarded one
  EXPECT_TRUE(Accepted("C:\\WINDOWS\\Temp\\Backups"));  // below is fine, only above is refused
  // The root a disk or share is reached by (the uninstaller asks whether it is there).
  EXPECT_EQ(3u, pw::AbsoluteRootLength("D:\\Backups"));
  EXPECT_EQ(std::string("\\\\server\\share\\").size(), pw::AbsoluteRootLength("\\\\server\\share\\Backups"));
}

TEST(RepositoryDirectoryRules, RefusesRelativeAndRootPaths) {
  for (const char* path : {"", "Backups", "data\\x", "\\Backups", "D:", "D:Backups", "D:\\", "D:\\\\", "d:/",
                           "\\\\server\\share", "\\\\server\\share\\", "\\\\server", "\\\\?\\C:\\Backups",
                           "\\\\.\\C:\\Backups"})
    EXPECT_FALSE(Accepted(path)) << path;
}

TEST(RepositoryDirectoryRules, RefusesGuardedFoldersAndFoldersAboveThemInAnySpelling) {
  for (const char* path : {"C:\\WINDOWS", "c:\\windows\\", "C:\\Windows\\\\", "c:/windows/system32",
                           "C:\\WINDOWS\\SYSTEM32\\", "C:\\window~1", "C:\\\\Windows"})
    EXPECT_FALSE(Accepted(path)) << path;
}

TEST(RepositoryDirectoryRules, RefusesTextsThatDoNotNameOneDefiniteFolder) {
  for (const char* path : {"D:\\Backups\\..", "C:\\WINDOWS\\system32\\..\\..", "D:\\.\\Backups", "C:\\Windows.",
                           "C:\\Windows ", "D:\\Back*", "D:\\Backups:stream", "D:\\a?b"})
    EXPECT_FALSE(Accepted(path)) << path;
}

TEST(RepositoryDirectoryRules, RefusesTooLongPaths) {
  std::string longPath = "D:\\" + std::string(300, 'a');
  EXPECT_FALSE(Accepted(longPath.c_str()));
}

TEST(RepositoryDirectoryRules, NormalisesSeparators) {
  EXPECT_EQ("D:\\Backups\\Set", Normalised("D:/Backups//Set///"));
  EXPECT_EQ("\\\\srv\\share\\x", Normalised("\\\\srv\\\\share\\x\\"));
  EXPECT_EQ("D:", Normalised("D:\\"));
  EXPECT_EQ("<refused>", Normalised("D:\\a\\..\\b"));
}

}  // namespace
