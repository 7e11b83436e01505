// Paths and command lines the main program is started with: the separator
// rule, the exact switches, signed set numbers, and refusal of anything that
// would not fit whole.
#include "common/main_program_command.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include <string>

#include "code_page_932.h"
#include "common/program_messages.h"

namespace {

std::string Path(const char* dir, const char* file = "Cobaltine.exe") {
  char out[kProgramPathSize];
  if (BuildProgramPath(dir, file, out, sizeof out) != 0) return "<refused>";
  return out;
}

std::string BackupSet(int n, const char* path = "C:\\Prog\\Cobaltine.exe") {
  char out[kProgramCommandLineSize];
  if (BuildBackupSetCommandLine(path, n, out, sizeof out) != 0) return "<refused>";
  return out;
}

std::string Action(int action, const char* path = "C:\\Prog\\Cobaltine.exe") {
  char out[kProgramCommandLineSize];
  if (BuildActionCommandLine(path, action, out, sizeof out) != 0) return "<refused>";
  return out;
}

TEST(ProgramPath, JoinsWithOneBackslash) {
  EXPECT_EQ("C:\\Program Files\\Cobaltine\\Cobaltine.exe", Path("C:\\Program Files\\Cobaltine"));
  EXPECT_EQ("C:\\Prog\\Cobaltine.exe", Path("C:\\Prog\\"));
  EXPECT_EQ("C:\\Prog/Cobaltine.exe", Path("C:\\Prog/"));
  EXPECT_EQ("C:\\Tickwarden.exe", Path("C:", "Tickwarden.exe"));  // drive root
  EXPECT_EQ("\\\\server\\share\\Cobaltine.exe", Path("\\\\server\\share"));
  // Anything else would be looked for in the current drive or folder.
  for (const char* relative : {"", "Prog", "\\Prog", ".\\Prog", "C:Prog", "1:\\Prog"})
    EXPECT_EQ("<refused>", Path(relative)) << relative;
  // C:\一覧表 in code page 932 ends in 表, whose second byte is '\'.
  cp932::Scope japanese;
  EXPECT_EQ("C:\\" CP932_ICHIRAN CP932_HYOU "\\Cobaltine.exe", Path("C:\\" CP932_ICHIRAN CP932_HYOU));
}

TEST(ProgramPath, LongestFittingPathIsKeptAndOneMoreIsRefusedNotCut) {
  const std::string file = "Cobaltine.exe";
  // directory + '\' + file == 259 characters: fits with the terminator.
  std::string dir = "C:\\" + std::string(259 - 1 - file.size() - 3, 'a');
  std::string full = dir + "\\" + file;
  ASSERT_EQ(259u, full.size());
  EXPECT_EQ(full, Path(dir.c_str()));

  std::string longer = dir + "b";
  char out[kProgramPathSize];
  memset(out, 'x', sizeof out);
  EXPECT_EQ(-1, BuildProgramPath(longer.c_str(), file.c_str(), out, sizeof out));
  EXPECT_STREQ("", out);

  // A bigger buffer does not lift the 260-byte limit of a path.
  char big[1000];
  EXPECT_EQ(-1, BuildProgramPath(longer.c_str(), file.c_str(), big, sizeof big));
  EXPECT_STREQ("", big);
  // A small buffer refuses what the limit would allow.
  char small[20];
  EXPECT_EQ(-1, BuildProgramPath("C:\\Prog", file.c_str(), small, sizeof small));
  EXPECT_STREQ("", small);
}

TEST(BackupSetCommandLine, QuotesThePathAndWritesTheNumberInDecimal) {
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupSet=7", BackupSet(7));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupSet=0", BackupSet(0));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupSet=-5", BackupSet(-5));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupSet=100", BackupSet(100));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupSet=2147483647", BackupSet(INT_MAX));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupSet=-2147483648", BackupSet(INT_MIN));
  EXPECT_EQ("\"C:\\Program Files\\Cobaltine.exe\" -BackupSet=3", BackupSet(3, "C:\\Program Files\\Cobaltine.exe"));
}

TEST(ActionCommandLine, CarriesTheSwitchOfBackupAllAndNoneOtherwise) {
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupAll", Action(tw::BackupAll));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\" -BackupAllAndShutdown", Action(tw::BackupAllAndShutdown));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\"", Action(tw::Open));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\"", Action(3));
  EXPECT_EQ("\"C:\\Prog\\Cobaltine.exe\"", Action(-1));
  char out[kProgramCommandLineSize];
  ASSERT_EQ(0, BuildQuotedCommandLine("C:\\Tickwarden.exe", out, sizeof out));
  EXPECT_STREQ("\"C:\\Tickwarden.exe\"", out);
}

TEST(CommandLines, TheLongestPathTakesEverySwitchInTheStandardBuffer) {
  std::string path(kProgramPathSize - 1, 'p');
  char out[kProgramCommandLineSize];
  ASSERT_EQ(0, BuildActionCommandLine(path.c_str(), tw::BackupAllAndShutdown, out, sizeof out));
  EXPECT_EQ("\"" + path + "\" -BackupAllAndShutdown", out);
  ASSERT_EQ(0, BuildBackupSetCommandLine(path.c_str(), INT_MIN, out, sizeof out));
  EXPECT_EQ("\"" + path + "\" -BackupSet=-2147483648", out);
}

TEST(CommandLines, ThatDoNotFitAreRefusedWhole) {
  const char* path = "C:\\P\\Cobaltine.exe";  // quoted: 20 characters
  char out[64];
  // Exactly fitting, then one byte short: the number must not be cut to -214748364.
  std::string exact = std::string("\"") + path + "\" -BackupSet=-2147483648";
  ASSERT_LT(exact.size(), sizeof out);
  EXPECT_EQ(0, BuildBackupSetCommandLine(path, INT_MIN, out, exact.size() + 1));
  EXPECT_EQ(exact, out);
  EXPECT_EQ(-1, BuildBackupSetCommandLine(path, INT_MIN, out, exact.size()));
  EXPECT_STREQ("", out);
  // -BackupAllAndShutdown cut short would read as -BackupAll.
  std::string all = std::string("\"") + path + "\" -BackupAll";
  EXPECT_EQ(-1, BuildActionCommandLine(path, tw::BackupAllAndShutdown, out, all.size() + 1));
  EXPECT_STREQ("", out);
  EXPECT_EQ(-1, BuildQuotedCommandLine(path, out, 5));
  EXPECT_STREQ("", out);
  EXPECT_EQ(-1, BuildQuotedCommandLine(path, out, 0));
}

TEST(FormatDecimal, RefusesTooSmallBuffers) {
  char out[12];
  EXPECT_EQ(0, FormatDecimal(INT_MIN, out, sizeof out));
  EXPECT_STREQ("-2147483648", out);
  EXPECT_EQ(-1, FormatDecimal(INT_MIN, out, 11));
  EXPECT_STREQ("", out);
  EXPECT_EQ(0, FormatDecimal(0, out, 2));
  EXPECT_STREQ("0", out);
}

}  // namespace
