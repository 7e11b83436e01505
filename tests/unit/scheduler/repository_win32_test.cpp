// Locating the repository and watching the drives, with real folders, a real
// RepositoryConfig.txt and real drive letters of the Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <string>

#include "scheduler/repository.h"
#include "scheduler/scheduler_state.h"
#include "program_watch_win32.h"
#include "wine_drives.h"

namespace {

class RepositoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRepositoryState();
    SetDriveProbe(nullptr);
    install_ = testwatch::MakeTempFolder("install");
    snprintf(ProgramDirectory, sizeof ProgramDirectory, "%s", install_.c_str());
  }
  void TearDown() override {
    for (char letter : defined_) RemoveTestDrive(letter);
    SetDriveProbe(nullptr);
    ResetRepositoryState();
  }
  void WriteConfig(const std::string& path) {
    std::string text = "[Repository]\r\nPath=" + path + "\r\n";
    ASSERT_TRUE(testwatch::WriteText(install_ + "\\RepositoryConfig.txt", text));
  }
  // A drive letter whose root holds the folder "Backups", with a
  // ClientConfig.hdb in it unless unrelated.
  std::string MakeDiskWithRepository(char letter, UINT type, bool unrelated = false) {
    std::string disk = testwatch::MakeTempFolder("disk");
    EXPECT_TRUE(testwatch::MakeFolders(disk + "\\Backups"));
    if (!unrelated) {
      EXPECT_TRUE(testwatch::WriteText(disk + "\\Backups\\ClientConfig.hdb", "x"));
    }
    EXPECT_TRUE(DefineTestDrive(letter, disk.c_str(), type));
    defined_.push_back(letter);
    return disk;
  }
  void Remove(char letter) { EXPECT_TRUE(RemoveTestDrive(letter)); }

  std::string install_;
  std::string defined_;
  char out_[260];
};

TEST_F(RepositoryTest, WithoutConfigTheDataFolderBesideTheProgramIsUsed) {
  EXPECT_EQ(0, LocateRepository(out_));
  EXPECT_EQ(install_ + "\\data", out_);
  ASSERT_TRUE(testwatch::MakeFolders(install_ + "\\data"));
  EXPECT_EQ(1, LocateRepository(out_));
  EXPECT_EQ(install_ + "\\data", out_);
}

TEST_F(RepositoryTest, ConfiguredExistingFolderIsReachable) {
  std::string repo = testwatch::MakeTempFolder("repo");
  WriteConfig(repo);
  EXPECT_EQ(1, LocateRepository(out_));
  EXPECT_EQ(repo, out_);
  EXPECT_EQ(repo, RepositoryPath);
}

// A repository is a folder: a file of that name, even ClientConfig.hdb
// itself, is offline, with or without a trailing separator.
TEST_F(RepositoryTest, AFileNamedAsTheRepositoryIsOffline) {
  std::string repo = testwatch::MakeTempFolder("repo");
  ASSERT_TRUE(testwatch::WriteText(repo + "\\ClientConfig.hdb", "x"));
  for (const std::string& path : {repo + "\\ClientConfig.hdb", repo + "\\ClientConfig.hdb\\"}) {
    ResetRepositoryState();  // the file is rewritten within the second
    WriteConfig(path);
    EXPECT_EQ(0, LocateRepository(out_)) << path;
  }
}

TEST_F(RepositoryTest, MissingKeyMeansOffline) {
  ASSERT_TRUE(testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Other]\r\nPath=C:\\\r\n"));
  EXPECT_EQ(0, LocateRepository(out_));
  EXPECT_STREQ("", out_);
}

unsigned g_probeCalls;
unsigned long CountingDrives() {
  ++g_probeCalls;
  return GetLogicalDrives();
}
unsigned CountingType(const char* root) {
  ++g_probeCalls;
  return GetDriveTypeA(root);
}

TEST_F(RepositoryTest, UnreachableNetworkPathIsOfflineWithoutADriveScan) {
  const DriveProbe counting = {CountingDrives, CountingType};
  SetDriveProbe(&counting);
  g_probeCalls = 0;
  WriteConfig("\\\\nosuchserver\\share\\repo");
  EXPECT_EQ(0, LocateRepository(out_));
  EXPECT_STREQ("\\\\nosuchserver\\share\\repo", out_);
  EXPECT_EQ(0u, g_probeCalls);
}

TEST_F(RepositoryTest, DriveLetterIsRepairedOnlyToARepositoryAndTheConfiguredOneComesFirst) {
  // An unrelated folder of the same name is not the repository.
  MakeDiskWithRepository('p', DRIVE_FIXED, true);
  WriteConfig("q:\\Backups");
  EXPECT_EQ(0, LocateRepository(out_));
  EXPECT_STREQ("q:\\Backups", out_);

  std::string moved = MakeDiskWithRepository('s', DRIVE_FIXED);
  EXPECT_EQ(1, LocateRepository(out_));
  EXPECT_STREQ("s:\\Backups", out_);
  EXPECT_STREQ("s:\\Backups", RepositoryPath);
  EXPECT_EQ(1, LocateRepository(out_));
  EXPECT_STREQ("s:\\Backups", out_);

  // The configured drive returning wins over the repair.
  ASSERT_TRUE(DefineTestDrive('q', moved.c_str(), DRIVE_FIXED));
  defined_.push_back('q');
  EXPECT_EQ(1, LocateRepository(out_));
  EXPECT_STREQ("q:\\Backups", out_);
  EXPECT_STREQ("q:\\Backups", RepositoryPath);
}

TEST_F(RepositoryTest, RemovableDiskIsNotTakenForTheRepository) {
  MakeDiskWithRepository('s', DRIVE_REMOVABLE);
  WriteConfig("q:\\Backups");
  EXPECT_EQ(0, LocateRepository(out_));
  EXPECT_STREQ("q:\\Backups", out_);
}

TEST_F(RepositoryTest, RewrittenConfigIsReadAgain) {
  std::string first = testwatch::MakeTempFolder("repo1");
  std::string second = testwatch::MakeTempFolder("repo2");
  WriteConfig(first);
  EXPECT_EQ(1, LocateRepository(out_));
  // The last-write time is kept to the second; make the rewrite a later one.
  std::string config = install_ + "\\RepositoryConfig.txt";
  WriteConfig(second);
  HANDLE f = CreateFileA(config.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  FILETIME later;
  GetFileTime(f, nullptr, nullptr, &later);
  ULARGE_INTEGER t;
  t.LowPart = later.dwLowDateTime;
  t.HighPart = later.dwHighDateTime;
  t.QuadPart += 120ULL * 10000000ULL;
  later.dwLowDateTime = t.LowPart;
  later.dwHighDateTime = t.HighPart;
  SetFileTime(f, nullptr, nullptr, &later);
  CloseHandle(f);
  EXPECT_EQ(1, LocateRepository(out_));
  EXPECT_EQ(second, out_);
}

TEST_F(RepositoryTest, WatchReportsDrivesLeavingAndTheRepositoryReturning) {
  std::string disk = testwatch::MakeTempFolder("disk");
  ASSERT_TRUE(testwatch::MakeFolders(disk + "\\Backups"));
  WriteConfig("r:\\Backups");
  EXPECT_EQ(0, LocateRepository(out_));

  EXPECT_EQ(0, WatchMedia());  // first call only counts
  EXPECT_EQ(0, WatchMedia());  // nothing changed

  // A new drive that does not bring the repository back is not reported.
  std::string other = testwatch::MakeTempFolder("other");
  ASSERT_TRUE(DefineTestDrive('t', other.c_str(), DRIVE_FIXED));
  defined_.push_back('t');
  EXPECT_EQ(0, WatchMedia());
  EXPECT_EQ(0, TakeConnectEvent());

  // Any drive leaving is reported.
  Remove('t');
  EXPECT_EQ(1, WatchMedia());

  // The repository's drive arriving is reported once, with one connect event.
  ASSERT_TRUE(DefineTestDrive('r', disk.c_str(), DRIVE_FIXED));
  defined_.push_back('r');
  EXPECT_EQ(1, WatchMedia());
  EXPECT_EQ(1, TakeConnectEvent());
  EXPECT_EQ(0, TakeConnectEvent());
  EXPECT_EQ(0, WatchMedia());

  // Another drive arriving while the repository is reachable: no report.
  ASSERT_TRUE(DefineTestDrive('t', other.c_str(), DRIVE_FIXED));
  EXPECT_EQ(0, WatchMedia());
  EXPECT_EQ(0, TakeConnectEvent());

  // The repository's drive leaving goes offline.
  Remove('r');
  EXPECT_EQ(1, WatchMedia());
  EXPECT_EQ(0, LocateRepository(out_));
}

TEST_F(RepositoryTest, NetworkRepositoryIsReportedOnFirstWatch) {
  WriteConfig("\\\\nosuchserver\\share\\repo");
  EXPECT_EQ(0, LocateRepository(out_));
  EXPECT_EQ(1, WatchMedia());
  EXPECT_EQ(0, WatchMedia());
  EXPECT_EQ(0, TakeConnectEvent());
}

}  // namespace
