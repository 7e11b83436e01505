// Opening, sharing, upgrading and closing databases, and the bytes a new
// database leaves on disk.
#include "database/database_manager.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <string.h>

#include <string>

#include "database/database_table.h"
#include "database/diagnostic_sink.h"
#include "database/object_writer.h"
#include "code_page_932.h"
#include "database_test_support.h"

namespace {

class DatabaseManagerTest : public ::testing::Test {
 protected:
  testsupport::TempDirectory dir;
  DatabaseManager db;
};

TEST_F(DatabaseManagerTest, FreshDatabaseIsExactly512Bytes) {
  std::string path = dir.File("new.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  ASSERT_GE(h, 0);
  // While open: WriterOpen 1 and BlockCount 0 on disk.
  auto open = ReadFileBytes(path);
  ASSERT_EQ(open.size(), 512u);
  EXPECT_EQ(GetU32(open.data() + HeaderWriterOpenOffset), 1u);
  EXPECT_EQ(GetU32(open.data() + HeaderBlockCountOffset), 0u);
  ASSERT_EQ(db.CloseDatabase(h), 0);

  auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 512u);
  std::vector<unsigned char> expected(512, 0);
  memcpy(expected.data(), "Vornacle Hierarchal Database\r\n", 30);
  PutU32(expected.data() + 36, 1);
  PutU32(expected.data() + 44, 72);
  PutU32(expected.data() + HeaderBlockCountOffset, 1);
  EXPECT_EQ(bytes, expected);
  EXPECT_FALSE(FileIsThere(path + ".mirror"));
}

TEST_F(DatabaseManagerTest, FreshDatabaseHasNoRoot) {
  std::string path = dir.File("new.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  ASSERT_GE(h, 0);
  EXPECT_EQ(db.FindChild(h, RootObjectId, "Backup Set List"), -1);
  char data[20];
  EXPECT_EQ(db.ReadData(h, RootObjectId, data, sizeof data), -1);
  EXPECT_EQ(db.CloseDatabase(h), 0);
}

TEST_F(DatabaseManagerTest, ReadOnlyOfMissingPathCreatesNothing) {
  std::string path = dir.File("missing.hdb");
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadOnly), -1);
  EXPECT_FALSE(FileIsThere(path));
}

TEST_F(DatabaseManagerTest, ReadWriteOfMissingPathCreatesEmptyDatabase) {
  std::string path = dir.File("rw.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenReadWrite);
  ASSERT_GE(h, 0);
  ASSERT_EQ(db.CloseDatabase(h), 0);
  auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 512u);
  EXPECT_EQ(GetU32(bytes.data() + HeaderWriterOpenOffset), 0u);
  EXPECT_EQ(GetU32(bytes.data() + HeaderBlockCountOffset), 1u);
  EXPECT_FALSE(FileIsThere(path + ".mirror"));
}

TEST_F(DatabaseManagerTest, ReadWriteOfExistingFileKeepsMirrorUntilClose) {
  std::string path = dir.File("m.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  ASSERT_EQ(db.CloseDatabase(h), 0);
  auto before = ReadFileBytes(path);

  h = db.OpenDatabase(path.c_str(), OpenReadWrite);
  ASSERT_GE(h, 0);
  EXPECT_EQ(ReadFileBytes(path + ".mirror"), before);
  EXPECT_EQ(GetU32(ReadFileBytes(path).data() + HeaderWriterOpenOffset), 1u);
  ASSERT_EQ(db.CloseDatabase(h), 0);
  EXPECT_FALSE(FileIsThere(path + ".mirror"));
  EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(DatabaseManagerTest, SamePathInOtherCaseSharesHandle) {
  std::string path = dir.File("Shared.hdb");
  int first = db.OpenDatabase(path.c_str(), OpenReadWrite);
  ASSERT_GE(first, 0);
  // The shared record is found by a comparison that ignores case on every
  // platform (natively the other spelling need not exist as a file).
  std::string upper = dir.File("SHARED.HDB");
  int second = db.OpenDatabase(upper.c_str(), OpenReadWrite);
  EXPECT_EQ(second, first);
  EXPECT_EQ(db.CloseDatabase(first), 0);
  EXPECT_NE(LookUpDatabase(first), nullptr);
  EXPECT_EQ(db.CloseDatabase(second), 0);
  EXPECT_EQ(LookUpDatabase(first), nullptr);
  EXPECT_EQ(db.CloseDatabase(first), -1);
  EXPECT_FALSE(FileIsThere(path + ".mirror"));
}

// In code page 932 a character's second byte can be a letter: ア is 83 41,
// チ is 83 61. Folding those bytes made two databases one record, and the
// second open read and wrote the first database's file.
TEST_F(DatabaseManagerTest, NamesDifferingInASecondByteAreTwoDatabases) {
#ifdef _WIN32
  // Elsewhere the file system reads these bytes as letters of its own code
  // page and folds them too: the two names are one file there.
  if (GetACP() != 932) GTEST_SKIP() << "needs code page 932 in the file system";
#endif
  cp932::Scope japanese;
  std::string a = dir.File("\x83\x41.hdb"), b = dir.File("\x83\x61.hdb");
  int first = db.OpenDatabase(a.c_str(), OpenCreate);
  int second = db.OpenDatabase(b.c_str(), OpenCreate);
  EXPECT_GE(first, 0);
  EXPECT_GE(second, 0);
  EXPECT_NE(second, first);
  if (second >= 0 && second != first) {
    EXPECT_GT(CreateObject(db, second, RootObjectId, "k", "5", 1), 0);
    EXPECT_EQ(db.CloseDatabase(second), 0);
  }
  if (first >= 0) {
    EXPECT_EQ(db.CloseDatabase(first), 0);
  }
  EXPECT_TRUE(FileIsThere(b));
}

TEST_F(DatabaseManagerTest, ReadOnlyOpenOfWritableDatabaseStaysWritable) {
  std::string path = dir.File("w.hdb");
  int w = db.OpenDatabase(path.c_str(), OpenCreate);
  int r = db.OpenDatabase(path.c_str(), OpenReadOnly);
  EXPECT_EQ(r, w);
  EXPECT_GT(CreateObject(db, r, RootObjectId, "k", "5", 1), 0) << "still writable";
  db.CloseDatabase(r);
  db.CloseDatabase(w);
}

TEST_F(DatabaseManagerTest, ReadOnlyUpgradedToReadWrite) {
  std::string path = dir.File("up.hdb");
  db.CloseDatabase(db.OpenDatabase(path.c_str(), OpenCreate));
  int r = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(r, 0);
  int w = db.OpenDatabase(path.c_str(), OpenReadWrite);
  EXPECT_EQ(w, r);
  EXPECT_GT(CreateObject(db, w, RootObjectId, "k", "5", 1), 0) << "writable";
  EXPECT_EQ(GetU32(ReadFileBytes(path).data() + HeaderWriterOpenOffset), 1u);
  EXPECT_TRUE(FileIsThere(path + ".mirror"));
  db.CloseDatabase(r);
  db.CloseDatabase(w);
  EXPECT_EQ(GetU32(ReadFileBytes(path).data() + HeaderWriterOpenOffset), 0u);
  EXPECT_FALSE(FileIsThere(path + ".mirror"));
}

// A writable open that fails must not touch the mirror the current writer made.
TEST_F(DatabaseManagerTest, FailedWritableOpenLeavesTheMirrorAlone) {
  std::string path = dir.File("folder.hdb");
  ASSERT_TRUE(std::filesystem::create_directory(path));  // exists, but opens as no file
  WriteFileBytes(path + ".mirror", {1, 2, 3});
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadWrite), -1);
  EXPECT_EQ(ReadFileBytes(path + ".mirror"), (std::vector<unsigned char>{1, 2, 3}));
}

#ifndef _WIN32
// When the upgrade cannot reopen the file at all, the reader's record and its
// reference stay: freeing them let the next open take the slot, and the
// reader's close then closed someone else's database.
TEST_F(DatabaseManagerTest, FailedUpgradeKeepsTheReadersRecord) {
  std::string path = dir.File("gone.hdb"), other = dir.File("other.hdb");
  db.CloseDatabase(db.OpenDatabase(path.c_str(), OpenCreate));
  db.CloseDatabase(db.OpenDatabase(other.c_str(), OpenCreate));
  int r = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(r, 0);
  std::filesystem::rename(path, path + ".moved");
  std::filesystem::create_directory(path);
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadWrite), -1);
  EXPECT_NE(LookUpDatabase(r), nullptr);
  int o = db.OpenDatabase(other.c_str(), OpenReadOnly);
  EXPECT_NE(o, r);
  EXPECT_EQ(db.CloseDatabase(r), 0);
  EXPECT_NE(LookUpDatabase(o), nullptr);
  EXPECT_EQ(db.CloseDatabase(o), 0);
}
#endif

TEST_F(DatabaseManagerTest, CreateOfOpenPathIsRefused) {
  std::string path = dir.File("busy.hdb");
  db.CloseDatabase(db.OpenDatabase(path.c_str(), OpenCreate));
  auto before = ReadFileBytes(path);
  int r = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(r, 0);
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenCreate), -1);
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_EQ(db.CloseDatabase(r), 0);
  EXPECT_EQ(LookUpDatabase(r), nullptr);
}

TEST_F(DatabaseManagerTest, OverlongPathsAndBadArgumentsAreRefused) {
  std::string longPath = dir.File(std::string(300, 'x'));
  EXPECT_EQ(db.OpenDatabase(longPath.c_str(), OpenCreate), -1);
  EXPECT_EQ(db.OpenDatabase(nullptr, OpenCreate), -1);
  EXPECT_EQ(db.OpenDatabase(dir.File("a.hdb").c_str(), 7), -1);
  EXPECT_EQ(db.CloseDatabase(-1), -1);
  EXPECT_EQ(db.CloseDatabase(MaxOpenDatabases), -1);
  EXPECT_EQ(db.FindChild(600, 1, "x"), -1);
  EXPECT_EQ(db.FirstChild(-5, 1), -1);
  db.ReleaseObject(12345, 1);
}

TEST_F(DatabaseManagerTest, ShortHeaderFailsToOpen) {
  std::string path = dir.File("short.hdb");
  WriteFileBytes(path, std::vector<unsigned char>(255, 0));
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadOnly), -1);
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadWrite), -1);
}

TEST_F(DatabaseManagerTest, ForeignMagicStillOpens) {
  std::string path = dir.File("magic.hdb");
  RawImage image(1);
  memcpy(image.Bytes().data(), "Something else entirely", 23);
  image.Save(path);
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  EXPECT_GE(h, 0);
  EXPECT_EQ(db.CloseDatabase(h), 0);
}

// Readers never allocate, so a free-block stream they cannot read keeps out
// only writers, who would take blocks from it.
TEST_F(DatabaseManagerTest, UnreadableFreeListKeepsOutOnlyWriters) {
  std::string path = dir.File("free.hdb");
  RawImage image(3);
  image.SetHeader(HeaderFreeListBlockOffset, 9);  // beyond the file
  image.SmallObject(1, RawImage::Object("", {Child(2, "a")}, ""));
  image.SmallObject(2, RawImage::Object("a", {}, "5"));
  image.Save(path);
  auto before = ReadFileBytes(path);
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(h, 0);
  char value[4];
  EXPECT_EQ(db.ReadData(h, db.FindChild(h, RootObjectId, "a"), value, sizeof value), 1);
  db.ReleaseObject(h, 2);
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadWrite), -1);  // upgrading the reader
  EXPECT_EQ(CreateObject(db, h, RootObjectId, "b", "6", 1), -1) << "still read-only";
  EXPECT_EQ(db.FindChild(h, RootObjectId, "a"), 2);
  EXPECT_EQ(db.CloseDatabase(h), 0);
  EXPECT_EQ(db.OpenDatabase(path.c_str(), OpenReadWrite), -1);
  EXPECT_EQ(ReadFileBytes(path), before);
}

// Every open database holds one of the file layer's 256 handles, so that
// table runs out before the 512 database slots do.
TEST_F(DatabaseManagerTest, OpeningMoreDatabasesThanFileHandlesFailsCleanly) {
  std::vector<int> handles;
  std::string extra;
  for (int i = 0; i < MaxOpenDatabases + 1; ++i) {
    std::string path = dir.File("db" + std::to_string(i) + ".hdb");
    int h = db.OpenDatabase(path.c_str(), OpenCreate);
    if (h < 0) {
      extra = path;
      break;
    }
    handles.push_back(h);
  }
  EXPECT_EQ(handles.size(), (size_t)MaxOpenFiles);
  EXPECT_FALSE(extra.empty());
  EXPECT_FALSE(FileIsThere(extra));
  for (int h : handles) EXPECT_EQ(db.CloseDatabase(h), 0);
  int again = db.OpenDatabase(dir.File("after.hdb").c_str(), OpenCreate);
  EXPECT_GE(again, 0);
  EXPECT_EQ(db.CloseDatabase(again), 0);
}

std::string g_lastSource, g_lastMessage;
int CaptureDiagnostic(const char* source, const char* message) {
  g_lastSource = source;
  g_lastMessage = message;
  return 0;
}

TEST_F(DatabaseManagerTest, ObjectsLeftCachedAreReportedAtClose) {
  std::string path = dir.File("left.hdb");
  RawImage image(3);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a")}, ""));
  image.SmallObject(2, RawImage::Object("a", {}, "123"));
  image.Save(path);
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(h, 0);
  char buffer[8];
  EXPECT_EQ(db.ReadData(h, 2, buffer, 1), 1);
  EXPECT_EQ(db.ReadData(h, 1, buffer, 1), 0);
  DiagnosticSinkFunction previous = SetDiagnosticSink(CaptureDiagnostic);
  g_lastMessage.clear();
  EXPECT_EQ(db.CloseDatabase(h), 0);
  SetDiagnosticSink(previous);
  EXPECT_EQ(g_lastSource, "Database Manager");
  EXPECT_EQ(g_lastMessage, "2 objects were left open when closing database " + path);
}

TEST_F(DatabaseManagerTest, ReadOnlyOpenNeverWrites) {
  std::string path = dir.File("ro.hdb");
  RawImage image(2);
  image.SetHeader(HeaderWriterOpenOffset, 1);
  image.SmallObject(1, RawImage::Object("", {}, "data"));
  image.Save(path);
  auto before = ReadFileBytes(path);
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(h, 0);
  char buffer[8];
  EXPECT_EQ(db.ReadData(h, 1, buffer, 8), 4);
  db.ReleaseObject(h, 1);
  EXPECT_EQ(db.CloseDatabase(h), 0);
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
