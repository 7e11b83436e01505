// Which repository directories the uninstaller accepts: only absolute folders
// below a root that neither are nor contain the Windows or system folder.
#include "uninstall/repository_directory_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "code_page_932.h"
#include "uninstall/finishing_paths.h"
#include "platform/path_rules.h"

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

// Folders named in code page 932, where 表 ソ 能 end in '\' and ポ in '|':
// the second byte of a character is part of the name for every rule (drive
// and share roots, identity, joining, finishing mode's cuts).
TEST(RepositoryDirectoryRules, FolderNamesInCodePage932) {
  cp932::Scope japanese;
  const std::string ichiranhyou = "C:\\" CP932_ICHIRAN CP932_HYOU;  // C:\一覧表
  const std::string repository = "C:\\" CP932_BACKUP "\\" CP932_SO CP932_NOU;
  EXPECT_EQ(ichiranhyou, Normalised((ichiranhyou + "\\").c_str()));
  EXPECT_EQ(repository, Normalised((repository + "//").c_str()));
  EXPECT_EQ("D:\\" CP932_PO, Normalised("D:\\" CP932_PO));
  EXPECT_TRUE(Accepted(repository.c_str()));
  EXPECT_EQ(std::string("\\\\" CP932_HYOU "\\" CP932_SO "\\").size(),
            pw::AbsoluteRootLength("\\\\" CP932_HYOU "\\" CP932_SO "\\x"));
  EXPECT_FALSE(Accepted("\\\\" CP932_HYOU "\\" CP932_SO));  // a share's root
  // ア (83 41) and ャ (83 61) are different folders; 一覧表 holds a guarded one.
  const char* const guarded[] = {"C:\\\x83\x41", "C:\\" CP932_ICHIRAN CP932_HYOU "\\system32"};
  EXPECT_TRUE(pw::IsRemovableRepositoryDirectory("C:\\\x83\x61", guarded, 2));
  EXPECT_FALSE(pw::IsRemovableRepositoryDirectory(ichiranhyou.c_str(), guarded, 2));
  EXPECT_TRUE(pw::IsRemovableRepositoryDirectory("C:\\" CP932_ICHIRAN, guarded, 2));

  char out[260];
  ASSERT_TRUE(JoinPath(out, sizeof out, ichiranhyou.c_str(), "Tickwarden.exe"));
  EXPECT_EQ(ichiranhyou + "\\Tickwarden.exe", out);
  const std::string installed = "C:\\Program Files\\" CP932_ICHIRAN CP932_HYOU "\\Purgewell.exe";
  EXPECT_TRUE(pw::IsInstalledUninstallerPath(installed.c_str()));
  EXPECT_FALSE(pw::IsInstalledUninstallerPath("C:\\x" CP932_SO "Purgewell.exe"));
  ASSERT_TRUE(pw::CutAtLastBackslash(installed.c_str(), out, sizeof out));
  ASSERT_TRUE(pw::CutAtLastBackslash(std::string(out).c_str(), out, sizeof out));
  EXPECT_STREQ("C:\\Program Files", out);
  EXPECT_FALSE(pw::IsMakerFolder("C:\\" CP932_SO "Vornacle"));
}

}  // namespace
