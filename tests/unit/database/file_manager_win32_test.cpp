// Win32-only behaviour of the file layer and of opening databases: drive roots,
// sharing violations with their read-only fallback, and an upgrade that cannot
// get write access.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "database/database_manager.h"
#include "database/file_manager.h"
#include "database/object_writer.h"
#include "database_test_support.h"

namespace {

// Another program's handle on a file, letting others only read.
class ForeignHandle {
 public:
  ForeignHandle(const std::string& path, DWORD access)
      : handle_(CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ForeignHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Holds() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(FileManagerWin32, DriveRootFoundOnlyThroughItsContents) {
  FileManager files;
  EXPECT_EQ(files.FileExists("C:"), 0);
  EXPECT_EQ(files.PathExists("C:"), 1);
  EXPECT_EQ(files.PathExists("C:\\"), 1);
}

TEST(FileManagerWin32, ReaderFallsBackWhenAWriterHoldsTheFile) {
  testsupport::TempDirectory dir;
  std::string path = dir.File("held.bin");
  WriteFileBytes(path, {1, 2, 3});
  ForeignHandle writer(path, GENERIC_READ | GENERIC_WRITE);
  ASSERT_TRUE(writer.Holds());
  FileManager files;
  int h = files.FileOpen(path.c_str(), OpenReadOnly);
  if (h < 0) GTEST_SKIP() << "_lopen found no compatible sharing here";
  char bytes[3];
  EXPECT_EQ(files.FileRead(h, bytes, 3), 3);
  files.FileClose(h);
}

TEST(FileManagerWin32, WildcardsCountWhenSomethingMatches) {
  testsupport::TempDirectory dir;
  WriteFileBytes(dir.File("a.hdb"), {1});
  FileManager files;
  EXPECT_EQ(files.FileExists(dir.File("*.hdb").c_str()), 1);
  EXPECT_EQ(files.FileExists(dir.File("*.txt").c_str()), 0);
}

TEST(FileManagerWin32, SecondWriterGetsSharingViolation) {
  testsupport::TempDirectory dir;
  std::string path = dir.File("shared.bin");
  WriteFileBytes(path, {1, 2, 3});
  ForeignHandle writer(path, GENERIC_READ | GENERIC_WRITE);
  ASSERT_TRUE(writer.Holds());
  FileManager files;
  EXPECT_EQ(files.FileOpen(path.c_str(), OpenReadWrite | OpenDetailedErrors), FileErrorSharing);
  EXPECT_EQ(files.FileOpen(path.c_str(), OpenReadWrite), -1);
}

TEST(DatabaseWin32, FailedUpgradeLeavesDatabaseReadOnly) {
  testsupport::TempDirectory dir;
  std::string path = dir.File("held.hdb");
  DatabaseManager db;
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  ASSERT_GE(h, 0);
  const int x = CreateObject(db, h, RootObjectId, "x", "1", 1);
  ASSERT_GT(x, 0);
  ASSERT_EQ(db.CloseDatabase(h), 0);

  int r = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(r, 0);
  {
    // A reader that shares only reading keeps every writer out.
    ForeignHandle reader(path, GENERIC_READ);
    EXPECT_TRUE(reader.Holds());
    EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadWrite), -1);
  }
  EXPECT_EQ(db.FindChild(r, RootObjectId, "x"), x) << "its file is still open";
  EXPECT_EQ(CreateObject(db, r, RootObjectId, "y", "2", 1), -1) << "still read-only";
  EXPECT_EQ(db.CloseDatabase(r), 0);
  EXPECT_EQ(db.CloseDatabase(r), -1) << "with the one reference it had";
}

TEST(DatabaseWin32, ReadOnlyAttributeIsClearedForReadWrite) {
  testsupport::TempDirectory dir;
  std::string path = dir.File("ro.hdb");
  DatabaseManager db;
  db.CloseDatabase(db.OpenDatabase(path.c_str(), OpenCreate));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  int h = db.OpenDatabase(path.c_str(), OpenReadWrite);
  EXPECT_GE(h, 0);
  EXPECT_EQ(db.CloseDatabase(h), 0);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
