// The uninstaller's portable rules: the mode from the argument text; which
// repository directories may be cleared (only absolute folders below a root
// that neither are nor contain the Windows or system folder); what a
// directory walk does with one entry (links are never followed, "." and ".."
// are skipped); where the temporary copy runs from, what it may delete and
// its command line; and the line it adds to wininit.ini's [rename] section
// (a line of its own, every other line kept).
#include "uninstall/removal_rules.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "code_page_932.h"
#include "platform/path_rules.h"

namespace {

TEST(ArgumentText, SkipsTheProgramNameQuotedOrNot) {
  EXPECT_STREQ("-C:\\Program Files\\x\\Purgewell.exe",
               pw::ArgumentText("C:\\Temp\\purgetmp.exe -C:\\Program Files\\x\\Purgewell.exe"));
  EXPECT_STREQ("-D:\\a b\\Purgewell.exe", pw::ArgumentText("\"C:\\My Temp\\purgetmp.exe\"  -D:\\a b\\Purgewell.exe"));
  EXPECT_STREQ("", pw::ArgumentText("Purgewell.exe"));
  EXPECT_STREQ("", pw::ArgumentText("\"C:\\a b\\Purgewell.exe\"   "));
  EXPECT_STREQ("/x", pw::ArgumentText("Purgewell.exe\t/x"));
}

TEST(ArgumentText, OnlyALeadingDashSelectsFinishingMode) {
  EXPECT_TRUE(pw::IsFinishingMode("-"));
  EXPECT_TRUE(pw::IsFinishingMode("-C:\\x\\Purgewell.exe"));
  EXPECT_FALSE(pw::IsFinishingMode(""));
  EXPECT_FALSE(pw::IsFinishingMode("x-"));
  EXPECT_FALSE(pw::IsFinishingMode("/-"));
}

TEST(FinishingPaths, OnlyAnInstalledUninstallerMayBeDeleted) {
  EXPECT_TRUE(pw::IsInstalledUninstallerPath("C:\\Program Files\\Vornacle\\Cobaltine\\Purgewell.exe"));
  EXPECT_TRUE(pw::IsInstalledUninstallerPath("c:\\x\\PURGEWELL.EXE"));
  EXPECT_TRUE(pw::IsInstalledUninstallerPath("\\\\srv\\share\\Cobaltine\\purgewell.exe"));
  for (const char* path : {"", "Purgewell.exe", "C:\\Windows\\notepad.exe", "C:\\x\\Purgewell.exe.bak",
                           "C:\\x\\NotPurgewell.exe", "C:\\Purgewell.exe\\", "C:\\x/Purgewell.exe",
                           "x\\Purgewell.exe"})
    EXPECT_FALSE(pw::IsInstalledUninstallerPath(path)) << path;
}

TEST(FinishingPaths, CutsAtTheLastBackslash) {
  char out[260];
  EXPECT_TRUE(pw::CutAtLastBackslash("C:\\a\\b\\Purgewell.exe", out, sizeof out));
  EXPECT_STREQ("C:\\a\\b", out);
  EXPECT_FALSE(pw::CutAtLastBackslash("NoFolder", out, sizeof out));
  EXPECT_STREQ("NoFolder", out);
  std::string tooLong = "C:\\" + std::string(300, 'a') + "\\Purgewell.exe";
  EXPECT_FALSE(pw::CutAtLastBackslash(tooLong.c_str(), out, sizeof out));
}

TEST(FinishingPaths, TheCopyRunsOnlyFromAFolderOfItsOwn) {
  char folder[260];
  EXPECT_TRUE(pw::TemporaryCopyFolder("C:\\TEMP\\pw0a1B2c\\PURGETMP.EXE", folder, sizeof folder));
  EXPECT_STREQ("C:\\TEMP\\pw0a1B2c", folder);
  for (const char* path : {"C:\\TEMP\\purgetmp.exe", "C:\\TEMP\\pw0a1b2\\purgetmp.exe", "C:\\TEMP\\pw0a1b2c3\\purgetmp.exe",
                           "C:\\TEMP\\px0a1b2c\\purgetmp.exe", "C:\\TEMP\\pw0a1g2c\\purgetmp.exe",
                           "C:\\TEMP\\pw0a1b2c\\Purgewell.exe", "pw0a1b2c\\purgetmp.exe", ""})
    EXPECT_FALSE(pw::TemporaryCopyFolder(path, folder, sizeof folder)) << path;
}

TEST(CopyFolderName, AlwaysEightCharactersOfTheOwnForm) {
  char name[pw::kCopyFolderNameSize];
  for (uint32_t value : {0u, 5u, 0xABCDEFu, 0xFFFFFFFFu}) {
    pw::FormatCopyFolderName(value, name);
    EXPECT_EQ(8u, strlen(name)) << name;
    EXPECT_TRUE(pw::IsCopyFolderName(name)) << name;
  }
  pw::FormatCopyFolderName(0x12ABCDEFu, name);
  EXPECT_STREQ("pwabcdef", name);
}

TEST(FinishingPaths, MakerFolderIsRecognisedInAnyCase) {
  EXPECT_TRUE(pw::IsMakerFolder("C:\\Program Files\\Vornacle"));
  EXPECT_TRUE(pw::IsMakerFolder("C:\\Program Files\\vORNACLE"));
  EXPECT_FALSE(pw::IsMakerFolder("Vornacle"));
  EXPECT_FALSE(pw::IsMakerFolder("C:\\Program Files"));
  EXPECT_FALSE(pw::IsMakerFolder("C:\\Vornacle Tools"));
}

}  // namespace

namespace {

std::string CopyLine(const char* copy, const char* installed) {
  char out[600];
  return pw::BuildCopyCommandLine(copy, installed, out, sizeof out) ? std::string(out) : std::string("<too long>");
}

TEST(CopyCommandLine, TheCopySeesADashAndTheWholeInstalledPath) {
  const char* installed = "C:\\Program Files\\Vornacle\\Cobaltine\\Purgewell.exe";
  std::string plain = CopyLine("C:\\Temp\\purgetmp.exe", installed);
  EXPECT_EQ("C:\\Temp\\purgetmp.exe -C:\\Program Files\\Vornacle\\Cobaltine\\Purgewell.exe", plain);
  EXPECT_EQ(std::string("-") + installed, pw::ArgumentText(plain.c_str()));

  // A temporary folder with blanks would otherwise split the copy's own name.
  std::string blank = CopyLine("C:\\Documents and Settings\\me\\Local Settings\\Temp\\purgetmp.exe", installed);
  EXPECT_EQ('"', blank[0]);
  EXPECT_EQ(std::string("-") + installed, pw::ArgumentText(blank.c_str()));
  EXPECT_TRUE(pw::IsFinishingMode(pw::ArgumentText(blank.c_str())));
}

TEST(CopyCommandLine, RefusesWhatDoesNotFit) {
  std::string longPath = "C:\\" + std::string(300, 'p');
  char out[260];
  EXPECT_FALSE(pw::BuildCopyCommandLine("C:\\Temp\\purgetmp.exe", longPath.c_str(), out, sizeof out));
  EXPECT_STREQ("", out);
}

}  // namespace

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

namespace {

using pw::TreeEntryAction;
constexpr unsigned long kDir = pw::kAttributeDirectory;
constexpr unsigned long kLink = pw::kAttributeReparsePoint;

TEST(TreeEntry, FoldersAreEnteredAndFilesDeleted) {
  EXPECT_EQ(TreeEntryAction::DescendDirectory, pw::DecideTreeEntry("help", kDir));
  EXPECT_EQ(TreeEntryAction::DescendDirectory, pw::DecideTreeEntry("h", kDir | 0x1 | 0x2 | 0x4));
  EXPECT_EQ(TreeEntryAction::DeleteFile, pw::DecideTreeEntry("a.txt", 0x80));
  EXPECT_EQ(TreeEntryAction::DeleteFile, pw::DecideTreeEntry("...x", 0x1 | 0x2 | 0x4 | 0x20));
}

TEST(TreeEntry, DotEntriesAreSkipped) {
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry(".", kDir));
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry("..", kDir));
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry("..", kDir | kLink));
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry("", 0));
}

TEST(TreeEntry, LinksAreRemovedNeverFollowed) {
  EXPECT_EQ(TreeEntryAction::RemoveLinkFolder, pw::DecideTreeEntry("junction", kDir | kLink));
  EXPECT_EQ(TreeEntryAction::RemoveLinkFolder, pw::DecideTreeEntry("j", kDir | kLink | 0x1 | 0x2));
  EXPECT_EQ(TreeEntryAction::DeleteLinkFile, pw::DecideTreeEntry("file-link", kLink));
  EXPECT_EQ(TreeEntryAction::DeleteLinkFile, pw::DecideTreeEntry("f", kLink | 0x1 | 0x20));
}

}  // namespace

namespace {

const char kLine[] = "NUL=C:\\WINDOWS\\TEMP\\PURGETMP.EXE";

std::string Added(const std::string& text, size_t size = 512) {
  char out[512];
  size_t n = pw::AddRenameLine(text.data(), text.size(), kLine, out, size);
  return n ? std::string(out, n) : std::string("<no room>");
}

TEST(WininitRename, AddsALineAndKeepsEveryOther) {
  const std::string line = std::string(kLine) + "\r\n";
  const struct {
    std::string before, after;
  } cases[] = {
      {"", "[rename]\r\n" + line},
      {"[rename]\r\nNUL=C:\\OTHER\\OLD.DLL\r\n", "[rename]\r\n" + line + "NUL=C:\\OTHER\\OLD.DLL\r\n"},
      {"[Other]\r\nNUL=x\r\n [RENAME] \r\nC:\\A.DLL=C:\\A.TMP\r\n",
       "[Other]\r\nNUL=x\r\n [RENAME] \r\n" + line + "C:\\A.DLL=C:\\A.TMP\r\n"},
      {"[rename]", "[rename]\r\n" + line},
      {"[boot]\nshell=x", "[boot]\nshell=x\r\n[rename]\r\n" + line},
      {"[renamed]\r\n", "[renamed]\r\n[rename]\r\n" + line},
  };
  for (const auto& c : cases) EXPECT_EQ(c.after, Added(c.before)) << c.before;
}

TEST(WininitRename, NothingIsWrittenWithoutRoom) {
  EXPECT_EQ("<no room>", Added("[rename]\r\nNUL=C:\\OTHER\\OLD.DLL\r\n", 20));
  char out[1];
  EXPECT_EQ(0u, pw::AddRenameLine("", 0, kLine, out, 0));
}

}  // namespace
