// The file layer on real files: the handle table's limit, open modes, the
// forced delete and the file tests; files held in memory and snapshots.
#include "database/file_manager.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "database/file_snapshot.h"
#include "database_test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

class FileManagerTest : public ::testing::Test {
 protected:
  testsupport::TempDirectory dir;
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

// An image answers reads, seeks, size and stamp as a file nobody changes, and
// refuses writes; its handle shares the table with real files.
TEST_F(FileManagerTest, AnImageInMemoryReadsLikeAFileAndTakesNoWrites) {
  const unsigned char bytes[] = {'s', 'n', 'a', 'p', 's', 'h', 'o', 't'};
  int h = files.FileOpenImage(bytes, sizeof bytes);
  ASSERT_GE(h, 0);
  char text[16] = {};
  EXPECT_EQ(files.FileRead(h, text, 4), 4);
  EXPECT_EQ(files.FileRead(h, text + 4, 10), 4);
  EXPECT_STREQ(text, "snapshot");
  EXPECT_EQ(files.FileRead(h, text, 1), 0);
  EXPECT_EQ(files.FileSeek(h, 0, 4), 0);
  EXPECT_EQ(files.FileRead(h, text, 2), 2);
  EXPECT_EQ(memcmp(text, "sh", 2), 0);
  EXPECT_EQ(files.FileWrite(h, "x", 1), FileErrorNothingWritten);
  OpenFileStamp stamp;
  ASSERT_EQ(files.FileStamp(h, &stamp), 0);
  EXPECT_EQ(stamp.Size, 8);
  EXPECT_EQ(files.FileSize(h), 8);
  files.FileClose(h);
  EXPECT_EQ(files.FileRead(h, text, 1), -1);

  std::string path = dir.File("real");
  WriteFileBytes(path, {1});
  int real = files.FileOpen(path.c_str(), OpenReadOnly);
  ASSERT_EQ(real, h) << "the slot is free again for a real file";
  EXPECT_EQ(files.FileRead(real, text, 4), 1);
  files.FileClose(real);
}

TEST_F(FileManagerTest, ASnapshotIsTheWholeFileAsItStoodUnchanged) {
  std::string path = dir.File("whole");
  std::vector<unsigned char> content(300000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = (unsigned char)(i * 7 + i / 4096);
  WriteFileBytes(path, content);
  FileSnapshot snapshot;
  ASSERT_EQ(TakeFileSnapshot(files, path.c_str(), &snapshot), SnapshotTaken);
  ASSERT_EQ(snapshot.Size, content.size());
  EXPECT_EQ(memcmp(snapshot.Bytes, content.data(), content.size()), 0);
  EXPECT_EQ(snapshot.WriteTime, files.FileWriteTime(path.c_str()));
  EXPECT_EQ(TakeFileSnapshot(files, dir.File("none").c_str(), &snapshot), SnapshotMissing);
  EXPECT_EQ(snapshot.Bytes, nullptr);
}

#ifndef _WIN32
// Native only: a Windows reader's open keeps others from writing the file,
// which these changes do while it is open.
std::string g_changePath;
void (*g_change)(const std::string& path) = nullptr;
void ChangeBetweenReads(const char* path) {
  if (g_change && g_changePath == path) g_change(path);
}

TEST_F(FileManagerTest, ASnapshotOfAFileChangedWhileReadIsRefused) {
  const struct {
    const char* what;
    void (*change)(const std::string& path);
  } cases[] = {
      // Same size and the same last-write time, as a FAT disk may show a file
      // rewritten within its two seconds: only the second read tells.
      {"one byte rewritten, size and time kept",
       [](const std::string& path) {
         auto written = std::filesystem::last_write_time(path);
         std::vector<unsigned char> bytes = ReadFileBytes(path);
         bytes[bytes.size() / 2] ^= 0xFF;
         WriteFileBytes(path, bytes);
         std::filesystem::last_write_time(path, written);
       }},
      {"grown", [](const std::string& path) { std::filesystem::resize_file(path, 200000); }},
      {"cut short", [](const std::string& path) { std::filesystem::resize_file(path, 1000); }},
  };
  std::string path = dir.File("changing");
  g_changePath = path;
  SetSnapshotReadHook(ChangeBetweenReads);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(path, std::vector<unsigned char>(100000, 0x5A));
    g_change = c.change;
    FileSnapshot snapshot;
    EXPECT_EQ(TakeFileSnapshot(files, path.c_str(), &snapshot), SnapshotChanging);
    EXPECT_EQ(snapshot.Bytes, nullptr);
    g_change = nullptr;
    EXPECT_EQ(TakeFileSnapshot(files, path.c_str(), &snapshot), SnapshotTaken) << "quiet again";
  }
  SetSnapshotReadHook(nullptr);
}
#endif

}  // namespace
