// Mode selection from the argument text and the path rules of finishing mode:
// the copy runs only from a folder of its own, deletes only an installed
// "Purgewell.exe" and removes only the maker's folder above the installation
// folder.
#include "uninstall/argument_text.h"
#include "uninstall/copy_command_line.h"
#include "uninstall/copy_folder.h"
#include "uninstall/finishing_paths.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

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
