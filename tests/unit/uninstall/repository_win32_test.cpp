// The backup repository under Wine: which directory RepositoryConfig.txt may
// name, whether its disk is there, what RemoveRepository deletes and keeps,
// and the progress it reports.
#include "uninstall/removal_steps.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "program_watch_win32.h"
#include "wine_drives.h"

namespace {

using testwatch::FileExists;
using testwatch::MakeFolder;
using testwatch::WriteText;

void LayOutRepository(const std::string& d) {
  ASSERT_TRUE(MakeFolder(d));
  ASSERT_TRUE(MakeFolder(d + "\\Repository"));
  ASSERT_TRUE(MakeFolder(d + "\\Repository\\Set1"));
  ASSERT_TRUE(WriteText(d + "\\Repository\\Set1\\00000001.bak", "x", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteText(d + "\\Repository\\catalog.dat", "x", FILE_ATTRIBUTE_HIDDEN));
  for (const char* folder : {"Logs", "Reports", "System"}) {
    ASSERT_TRUE(MakeFolder(d + "\\" + folder));
    ASSERT_TRUE(WriteText(d + "\\" + folder + "\\inside.txt", "x", FILE_ATTRIBUTE_SYSTEM));
  }
  for (const char* file : {"ClientConfig.hdb", "FileInfo.hdb", "Local.hdb", "UserRestoreReport.html",
                           "MessageLog.ldb", "Rigwell.exe"})
    ASSERT_TRUE(WriteText(d + "\\" + file, "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

TEST(RemoveRepository, DeletesTheProductsPartsAndTheEmptiedDirectory) {
  testwatch::ScratchFolder scratch("repo");
  std::string d = scratch / "Backups";
  LayOutRepository(d);
  pw::RemoveRepository((d + "\\").c_str(), nullptr, 5);
  EXPECT_FALSE(FileExists(d));
}

TEST(RemoveRepository, KeepsWhatIsNotTheProducts) {
  testwatch::ScratchFolder scratch("repo-user");
  std::string d = scratch / "Backups";
  LayOutRepository(d);
  ASSERT_TRUE(WriteText(d + "\\MyNotes.txt", "the user's"));
  ASSERT_TRUE(MakeFolder(d + "\\Photos"));
  ASSERT_TRUE(WriteText(d + "\\Photos\\a.jpg", "the user's"));

  pw::RemoveRepository(d.c_str(), nullptr, 5);

  EXPECT_TRUE(FileExists(d + "\\MyNotes.txt"));
  EXPECT_TRUE(FileExists(d + "\\Photos\\a.jpg"));
  for (const char* gone : {"Repository", "Logs", "Reports", "System", "ClientConfig.hdb", "FileInfo.hdb", "Local.hdb",
                           "UserRestoreReport.html", "MessageLog.ldb", "Rigwell.exe"})
    EXPECT_FALSE(FileExists(d + "\\" + gone)) << gone;
}

// A progress bar with the dialog's control id in a plain parent window.
class ProgressWindow {
 public:
  ProgressWindow() {
    InitCommonControls();
    parent_ = CreateWindowExA(0, "STATIC", "progress test", WS_POPUP, 0, 0, 300, 40, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_BORDER, 0, 0, 280, 20, parent_, (HMENU)1002, nullptr, nullptr);
    SendDlgItemMessageA(parent_, 1002, PBM_SETRANGE, 0, MAKELPARAM(0, 136));
  }
  ~ProgressWindow() { DestroyWindow(parent_); }
  HWND Get() const { return parent_; }
  int Position() const { return (int)SendDlgItemMessageA(parent_, 1002, PBM_GETPOS, 0, 0); }

 private:
  HWND parent_;
};

TEST(RemoveRepository, AdvancesProgressOncePerListedEntryDotsIncluded) {
  testwatch::ScratchFolder scratch("repo-progress");
  ProgressWindow progress;
  ASSERT_NE(nullptr, GetDlgItem(progress.Get(), 1002));

  std::string d = scratch / "Backups";
  LayOutRepository(d);  // Repository lists ".", "..", "Set1", "catalog.dat"
  pw::RemoveRepository(d.c_str(), progress.Get(), 5);
  EXPECT_EQ(5 + 4 - 1, progress.Position());

  std::string e = scratch / "EmptyRepo";
  ASSERT_TRUE(MakeFolder(e));
  ASSERT_TRUE(MakeFolder(e + "\\Repository"));
  SendDlgItemMessageA(progress.Get(), 1002, PBM_SETPOS, 0, 0);
  pw::RemoveRepository(e.c_str(), progress.Get(), 5);
  EXPECT_EQ(6, progress.Position());
  EXPECT_FALSE(FileExists(e));
}

class RepositoryConfig : public ::testing::Test {
 protected:
  std::string Found(const char* pathValue) {
    if (pathValue) {
      std::string text = std::string("[Repository]\r\nPath=") + pathValue + "\r\n";
      EXPECT_TRUE(WriteText(install_ / "RepositoryConfig.txt", text));
    }
    char out[260] = "untouched";
    // A folder that is not there to be cleared is named as written too.
    const pw::RepositoryPlace place = pw::FindRepository(install_.Path().c_str(), out, sizeof out);
    if (place != pw::RepositoryPlace::Guarded) return out;
    // A kept folder is named as written, cut to fit, for telling the user.
    EXPECT_EQ(std::string(pathValue ? pathValue : "").substr(0, 259), out);
    return "<kept>";
  }
  testwatch::ScratchFolder install_{"install"};
};

TEST_F(RepositoryConfig, MissingFileOrValueMeansTheDataFolder) {
  EXPECT_EQ(install_ / "data", Found(nullptr));
  EXPECT_EQ(install_ / "data", Found(""));
}

TEST_F(RepositoryConfig, AbsoluteFoldersAreUsedAsWritten) {
  EXPECT_EQ("D:\\Backups\\", Found("D:\\Backups\\"));
  EXPECT_EQ("\\\\server\\share\\Backups", Found("\\\\server\\share\\Backups"));
}

TEST_F(RepositoryConfig, RootsAndSystemFoldersAreRefused) {
  char windows[MAX_PATH];
  char system[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  for (std::string value : {std::string("C:\\"), std::string("c:"), std::string("C:\\\\"), std::string(windows),
                            std::string(windows) + "\\", std::string(system), std::string("\\\\server\\share"),
                            std::string(system) + "\\..", std::string("Backups"), std::string("\\Backups"),
                            std::string("D:\\") + std::string(300, 'x')})
    EXPECT_EQ("<kept>", Found(value.c_str())) << value;
  // The parent of the Windows folder, upper-cased.
  std::string parent(windows, strrchr(windows, '\\'));
  CharUpperA(&parent[0]);
  EXPECT_EQ("<kept>", Found(parent.c_str())) << parent;
}

// A repository on a disk that is not connected is told and kept; one merely
// missing from a present disk is not. A drive letter that is there without
// a disk in it (an empty disc or card drive: the letter stands, its root
// cannot be read) counts as not connected.
TEST(UnreachableFolder, OnlyAFolderWhoseDiskIsAbsentOrEmpty) {
  std::string absent, empty;
  DWORD present = GetLogicalDrives();
  for (char letter = 'Y'; letter >= 'D' && empty.empty(); --letter)
    if (!(present & (1UL << (letter - 'A')))) (absent.empty() ? absent : empty) = std::string(1, letter) + ":";
  ASSERT_FALSE(empty.empty());
  testwatch::ScratchFolder scratch("unreachable");
  std::string media = scratch / "disc";
  ASSERT_TRUE(testwatch::MakeFolder(media));
  ASSERT_TRUE(DefineTestDrive(empty[0], media.c_str(), DRIVE_CDROM));
  ASSERT_TRUE(RemoveDirectoryA(media.c_str()));  // the disc taken out
  const DWORD emptyBit = 1UL << (empty[0] - 'A');
  ASSERT_TRUE(testwatch::PollUntil([&] { return (GetLogicalDrives() & emptyBit) != 0; }, 10000));
  EXPECT_EQ((UINT)DRIVE_CDROM, GetDriveTypeA((empty + "\\").c_str()));
  const struct {
    std::string folder;
    bool unreachable;
  } cases[] = {
      {absent + "\\Backups", true}, {absent + "\\Backups\\", true},  {empty + "\\Backups", true},
      {scratch.Path(), false},      {scratch / "gone", false},        {"C:\\no such folder\\here", false},
      {"Backups", false},           {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.unreachable, pw::IsUnreachableFolder(c.folder.c_str())) << c.folder;

  // What the worker is told of a repository there.
  testwatch::ScratchFolder install("unreachable-install");
  ASSERT_TRUE(WriteText(install / "RepositoryConfig.txt", "[Repository]\r\nPath=" + empty + "\\Backups\r\n"));
  char out[260];
  EXPECT_EQ(pw::RepositoryPlace::Unreachable, pw::FindRepository(install.Path().c_str(), out, sizeof out));
  EXPECT_EQ(empty + "\\Backups", out);
  RemoveTestDrive(empty[0]);
}

}  // namespace
