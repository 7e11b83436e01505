// The temporary copy with real files. Made: only in a new folder of its own,
// only when it holds the installed uninstaller's bytes, and nothing is left
// when it cannot be started. Finishing mode: run as the copy, the installed
// uninstaller (a file with the copy's own bytes), its folder and an empty
// maker folder go, and the copy's own deletion is scheduled; any other file
// stays. Run as anything but the copy, nothing at all happens.
#include "uninstall/removal_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/windows_version.h"
#include "platform/bounded_text.h"
#include "program_watch_win32.h"
#include "uninstall/removal_rules.h"

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
  // The program runs as the temporary copy in its folder, as when the
  // worker started it.
  void SetUp() override {
    ClearPendingRenames();
    folder_ = TempFolder() + "\\pw7e57ed";
    copy_ = folder_ + "\\purgetmp.exe";
    ASSERT_TRUE(MakeFolder(folder_));
    ASSERT_TRUE(WriteText(copy_, kCopyBytes));
  }
  void Finish(const std::string& installedFile) { pw::FinishRemoval(copy_.c_str(), installedFile.c_str()); }
  void TearDown() override {
    ClearPendingRenames();
    WritePrivateProfileStringA("rename", nullptr, nullptr, "wininit.ini");
    testwatch::Wipe(folder_);
  }
  // Pending renames on the NT family, the file and then its folder;
  // wininit.ini's [rename] on 95/98/ME, the file only.
  bool CopyScheduled() {
    if (IsNtFamily()) {
      std::string pending = PendingRenames();
      size_t file = pending.find(Lower(copy_) + "||");
      size_t folder = pending.find(Lower(folder_) + "||");
      return file != std::string::npos && folder != std::string::npos && file < folder;
    }
    char value[MAX_PATH] = "";
    char shortPath[MAX_PATH] = "";
    GetPrivateProfileStringA("rename", "nul", "", value, sizeof value, "wininit.ini");
    GetShortPathNameA(copy_.c_str(), shortPath, sizeof shortPath);
    return value[0] && Lower(value) == Lower(shortPath);
  }

  testwatch::ScratchFolder scratch_{"finish"};
  std::string folder_, copy_;
};

// The numbers MakeCopyFolder is handed, the last one over and over.
std::vector<uint32_t> g_names;
unsigned g_nameCalls = 0;
uint32_t NextName(unsigned attempt) {
  ++g_nameCalls;
  return attempt < g_names.size() ? g_names[attempt] : g_names.back();
}

TEST(CopyFolder, IsAlwaysOneThisCallCreatedAndTheSearchIsBounded) {
  testwatch::ScratchFolder parent("cpf");
  ASSERT_TRUE(MakeFolder(parent / "pw000001"));
  const struct {
    std::vector<uint32_t> names;
    std::string parent, made;
    unsigned calls;
  } cases[] = {{{1, 1, 2}, parent.Path(), parent / "pw000002", 3},
               {{1}, parent.Path(), "", pw::kCopyFolderAttempts},
               {{3}, parent / "missing", "", 1}};
  for (const auto& c : cases) {
    g_names = c.names;
    g_nameCalls = 0;
    char out[MAX_PATH];
    EXPECT_EQ(!c.made.empty(), pw::MakeCopyFolder(c.parent.c_str(), out, sizeof out, NextName)) << c.made;
    EXPECT_EQ(c.made, out);
    EXPECT_EQ(c.calls, g_nameCalls) << c.made;
  }
}

// Folders of the copy's form in the temporary folder.
std::vector<std::string> CopyFolders() {
  std::vector<std::string> found;
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((TempFolder() + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && pw::IsCopyFolderName(d.cFileName))
      found.push_back(TempFolder() + "\\" + d.cFileName);
  } while (FindNextFileA(h, &d));
  FindClose(h);
  return found;
}

// What the worker's steps leave in the temporary folder, and whether the copy
// runs: played with the stand-in for the main program as the "installed
// uninstaller", which notes its command line in a log when it is started.
TEST(TemporaryCopy, StartsOnlyWhenCheckedAndAloneAndIsRemovedWhenItCannotRun) {
  testwatch::ScratchFolder scratch("cpy");
  // Removal mode, installed in the scratch folder.
  pw::UninstallerState state;
  CopyBounded(state.installDirectory, sizeof state.installDirectory, scratch.Path().c_str());
  const std::string installed = scratch / "Purgewell.exe";
  const std::string log = scratch / "started.log";
  SetEnvironmentVariableA("COBALTINE_LOG", log.c_str());
  SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", "1");
  const std::vector<std::string> before = CopyFolders();
  EXPECT_FALSE(pw::PrepareTemporaryCopy(state));  // no installed uninstaller to copy
  EXPECT_FALSE(pw::StartTemporaryCopy(state));
  EXPECT_EQ(before, CopyFolders());

  // Not a program: it does not start, and its file and folder go again.
  ASSERT_TRUE(WriteText(installed, kCopyBytes));
  ASSERT_TRUE(pw::PrepareTemporaryCopy(state));
  std::string folder = state.copy.folder;
  EXPECT_EQ(kCopyBytes, testwatch::ReadText(folder + "\\purgetmp.exe"));
  EXPECT_FALSE(pw::StartTemporaryCopy(state));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(before, CopyFolders());

  // A program: held from its check until it runs, so that nobody can write
  // over it or delete it. With anything beside it, it does not run, and its
  // folder, which then cannot be removed, is named.
  ASSERT_TRUE(CopyFileA((testwatch::ProgramDirectory() + "\\Cobaltine.exe").c_str(), installed.c_str(), FALSE));
  for (bool stranger : {true, false}) {
    SCOPED_TRACE(stranger ? "with a stranger" : "alone");
    ASSERT_TRUE(pw::PrepareTemporaryCopy(state));
    folder = state.copy.folder;
    const std::string copy = folder + "\\purgetmp.exe";
    HANDLE writer = CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileA(copy.c_str()));
    if (stranger) {
      ASSERT_TRUE(WriteText(folder + "\\comctl32.dll", "someone else's"));
    }
    EXPECT_EQ(!stranger, pw::StartTemporaryCopy(state));
    EXPECT_EQ(stranger ? folder : std::string(), state.copy.folder);
    if (stranger) {
      EXPECT_FALSE(FileExists(copy));
      EXPECT_FALSE(FileExists(log));
    } else {
      EXPECT_TRUE(testwatch::PollUntil(
          [&] { return testwatch::ReadText(log).find(copy + " -" + installed) != std::string::npos; }, 20000))
          << testwatch::ReadText(log);
    }
    EXPECT_TRUE(testwatch::PollUntil([&] {
      testwatch::Wipe(folder);
      return !FileExists(folder);
    }, 20000));
  }
  SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", nullptr);
  SetEnvironmentVariableA("COBALTINE_LOG", nullptr);
}

TEST_F(FinishRemoval, DeletesUninstallerFolderAndEmptyMakerFolderInAnyCase) {
  std::string maker = scratch_ / "vORNACLE";
  std::string install = maker + "\\Cobaltine Backup";
  ASSERT_TRUE(MakeFolder(maker));
  ASSERT_TRUE(MakeFolder(install));
  ASSERT_TRUE(WriteText(install + "\\Purgewell.exe", kCopyBytes, FILE_ATTRIBUTE_ARCHIVE));
  Finish(install + "\\PURGEWELL.exe");
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
  Finish(install + "\\Purgewell.exe");
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
  Finish(install + "\\Purgewell.exe");
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
    Finish(path);
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
  // The installed uninstaller started by hand, and files named like the copy
  // elsewhere, among them where it once went by a fixed name: none is the
  // copy the worker made.
  std::string lookalike = scratch_ / "purgetmp.exe";
  std::string fixedName = TempFolder() + "\\purgetmp.exe";
  std::string elsewhere = scratch_ / "pw7e57ed";
  ASSERT_TRUE(MakeFolder(elsewhere));
  for (const std::string& file : {lookalike, fixedName, elsewhere + "\\purgetmp.exe"})
    ASSERT_TRUE(WriteText(file, kCopyBytes));
  for (const std::string& running : {installed, lookalike, fixedName, elsewhere + "\\purgetmp.exe"}) {
    for (const char* arguments : {"", "help", installed.c_str()}) pw::FinishRemoval(running.c_str(), arguments);
    EXPECT_TRUE(FileExists(installed)) << running;
    EXPECT_EQ(std::string::npos, PendingRenames().find(Lower(running))) << running;
  }
  EXPECT_FALSE(CopyScheduled());
  DeleteFileA(fixedName.c_str());
}

TEST_F(FinishRemoval, OlderPlatformsAddALineToWininitRenameSection) {
  // Another program's pending deletion, under the same key.
  ASSERT_TRUE(WritePrivateProfileStringA("rename", "NUL", "C:\\OTHERP~1\\OLD.DLL", "wininit.ini"));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "wininit.ini");
  pw::ScheduleCopyDeletionAtRestart(copy_.c_str(), false);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string text = Lower(testwatch::ReadText(std::string(windows) + "\\wininit.ini"));
  char shortPath[MAX_PATH] = "";
  GetShortPathNameA(copy_.c_str(), shortPath, sizeof shortPath);
  EXPECT_NE(std::string::npos, text.find("nul=c:\\otherp~1\\old.dll\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find("nul=" + Lower(shortPath) + "\r\n")) << text;
}

}  // namespace
