// The file layer on real files: the handle table's limit, open modes, the
// forced delete and the file tests.
#include "database/file_manager.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "database_test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

class FileManagerTest : public ::testing::Test {
 protected:
  TempDir dir;
  FileManager files;
};

// Closes every handle it was given, also when a test stops early.
class OpenFiles {
 public:
  explicit OpenFiles(FileManager& files) : files_(files) {}
  ~OpenFiles() {
    for (int h : handles) files_.FileClose(h);
  }
  std::vector<int> handles;

 private:
  FileManager& files_;
};

TEST_F(FileManagerTest, TableHolds256FilesAndRefusesThe257th) {
  OpenFiles open(files);
  std::vector<int>& handles = open.handles;
  for (int i = 0; i < MaxOpenFiles; ++i) {
    int h = files.FileOpen(dir.File("f" + std::to_string(i)).c_str(), OpenCreate);
    ASSERT_GE(h, 0) << i;
    handles.push_back(h);
  }
  EXPECT_EQ(files.FileOpen(dir.File("one-too-many").c_str(), OpenCreate), -1);
  EXPECT_EQ(handles.front(), 0);
  EXPECT_EQ(handles.back(), MaxOpenFiles - 1);
  files.FileClose(handles[10]);
  // The lowest free slot is taken again.
  int again = files.FileOpen(dir.File("f0").c_str(), OpenReadOnly);
  EXPECT_EQ(again, 10);
  handles[10] = again;
}

TEST_F(FileManagerTest, MissingFileReadOnlyIsPlainFailure) {
  std::string path = dir.File("missing");
  EXPECT_EQ(files.FileOpen(path.c_str(), OpenReadOnly | OpenDetailedErrors), -1);
  EXPECT_EQ(files.FileOpen(path.c_str(), OpenReadOnly), -1);
  EXPECT_EQ(files.FileOpen(path.c_str(), 99), -1);  // unknown modes read
  EXPECT_FALSE(FileIsThere(path));
}

TEST_F(FileManagerTest, ModesCreateTruncateAndAppend) {
  std::string path = dir.File("modes");
  int h = files.FileOpen(path.c_str(), OpenCreate);
  ASSERT_GE(h, 0);
  EXPECT_EQ(files.FileWrite(h, "hello", 5), 5);
  files.FileClose(h);
  h = files.FileOpen(path.c_str(), OpenAppend);
  ASSERT_GE(h, 0);
  EXPECT_EQ(files.FileWrite(h, " world", 6), 6);
  files.FileClose(h);
  std::vector<unsigned char> bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello world");

  h = files.FileOpen(path.c_str(), OpenReadWrite);
  ASSERT_GE(h, 0);
  EXPECT_EQ(files.FileSeek(h, 0, 6), 0);
  char word[16] = {};
  EXPECT_EQ(files.FileRead(h, word, sizeof word), 5);
  EXPECT_STREQ(word, "world");
  files.FileClose(h);

  h = files.FileOpen(path.c_str(), OpenCreate);
  files.FileClose(h);
  EXPECT_TRUE(ReadFileBytes(path).empty());
  int created = files.FileOpen(dir.File("new-rw").c_str(), OpenReadWrite);
  EXPECT_GE(created, 0);
  files.FileClose(created);
}

// Bad handles fail; closing or flushing one leaves the open files alone.
TEST_F(FileManagerTest, BadHandlesFail) {
  std::string path = dir.File("kept");
  WriteFileBytes(path, {1, 2, 3, 4});
  int h = files.FileOpen(path.c_str(), OpenReadOnly);
  ASSERT_GE(h, 0);
  char buffer[4];
  EXPECT_EQ(files.FileRead(-1, buffer, 4), -1);
  EXPECT_EQ(files.FileRead(MaxOpenFiles, buffer, 4), -1);
  EXPECT_EQ(files.FileWrite(h + 1, buffer, 4), FileErrorNothingWritten);
  EXPECT_EQ(files.FileSeek(h + 1, 0, 0), -1);
  EXPECT_EQ(files.FileSize(h + 1), -1);
  files.FileClose(h + 1);
  files.FileClose(-1);
  files.FileFlush(-3);
  EXPECT_EQ(files.FileSize(h), 4);
  EXPECT_EQ(files.FileRead(h, buffer, 4), 4);
  files.FileClose(h);
  EXPECT_EQ(files.FileRead(h, buffer, 4), -1);
}

TEST_F(FileManagerTest, DeleteClearsReadOnlyAndToleratesMissing) {
  std::string path = dir.File("ro");
  WriteFileBytes(path, {1, 2, 3});
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
#else
  chmod(path.c_str(), 0444);
#endif
  EXPECT_EQ(files.FileDelete(path.c_str()), 0);
  EXPECT_FALSE(FileIsThere(path));
  EXPECT_EQ(files.FileDelete(path.c_str()), 0);
}

TEST_F(FileManagerTest, FileTests) {
  std::string path = dir.File("there");
  WriteFileBytes(path, {1});
  EXPECT_EQ(files.FileExists(path.c_str()), 1);
  EXPECT_EQ(files.FileExists(dir.File("not-there").c_str()), 0);
  EXPECT_EQ(files.PathExists(path.c_str()), 1);
  EXPECT_EQ(files.PathExists(dir.File("not-there").c_str()), 0);
  EXPECT_EQ(files.FileWriteTime(dir.File("not-there").c_str()), 0u);
  DateTimeUtil clock;
  PackedTime now = clock.CurrentPackedTime();
  PackedTime written = files.FileWriteTime(path.c_str());
  // Written moments ago, in local time like the clock.
  EXPECT_LE(written, now + 60);
  EXPECT_GE(written + 3600, now);
}

// What a reader compares to tell that an open file changed: its size, and its
// last-write time when the size stays.
TEST_F(FileManagerTest, StampOfAnOpenFileFollowsSizeAndLastWrite) {
  std::string path = dir.File("stamped");
  WriteFileBytes(path, {1, 2, 3});
  OpenFileStamp first, grown, touched;
  int h = files.FileOpen(path.c_str(), OpenReadWrite);
  ASSERT_GE(h, 0);
  ASSERT_EQ(files.FileStamp(h, &first), 0);
  EXPECT_EQ(first.Size, 3);
  ASSERT_EQ(files.FileSeek(h, 0, 3), 0);
  ASSERT_EQ(files.FileWrite(h, "\4", 1), 1);
  ASSERT_EQ(files.FileStamp(h, &grown), 0);
  EXPECT_EQ(grown.Size, 4);
  files.FileClose(h);
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
  h = files.FileOpen(path.c_str(), OpenReadOnly);
  ASSERT_GE(h, 0);
  ASSERT_EQ(files.FileStamp(h, &touched), 0);
  EXPECT_EQ(touched.Size, 4);
  EXPECT_NE(touched.LastWrite, grown.LastWrite);
  files.FileClose(h);
  EXPECT_EQ(files.FileStamp(h, &touched), -1);
}

TEST_F(FileManagerTest, CopyReplacesTarget) {
  std::string from = dir.File("from"), to = dir.File("to");
  WriteFileBytes(from, {9, 8, 7});
  WriteFileBytes(to, {1, 2, 3, 4, 5});
  EXPECT_EQ(files.FileCopy(from.c_str(), to.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(to), (std::vector<unsigned char>{9, 8, 7}));
  EXPECT_EQ(files.FileCopy(dir.File("none").c_str(), to.c_str()), -1);
}

}  // namespace
