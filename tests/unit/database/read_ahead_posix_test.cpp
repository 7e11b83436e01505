// A long-lived read-only open sees the file as it is now: the runs read ahead
// and the kept children tables give way when the file's size or last-write
// time changes, looked at by the next call. A snapshot does not change. Native only: a Windows reader's open keeps others from
// rewriting the file, which these tests do under it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "database/database_manager.h"
#include "database/read_ahead.h"
#include "database_test_support.h"

namespace {

RawImage WithValue(const std::string& value) {
  RawImage image(3);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a")}, ""));
  image.SmallObject(2, RawImage::Object("a", {}, value));
  return image;
}

class ReadAheadTest : public ::testing::Test {
 protected:
  // The value of key "a", or "-" when it cannot be found or read.
  std::string Value(int h) {
    int key = db.FindChild(h, RootObjectId, "a");
    char text[16];
    int n = db.ReadData(h, key, text, sizeof text);
    db.ReleaseObject(h, key);
    return key < 0 || n < 0 ? "-" : std::string(text, (size_t)n);
  }
  testsupport::TempDirectory dir;
  DatabaseManager db;
};

TEST_F(ReadAheadTest, KeptRunsGiveWayWhenTheFileChanges) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> change;
    const char* after;
  } cases[] = {
      {"value rewritten, same size, later last write",
       [](const std::string& path) {
         auto written = std::filesystem::last_write_time(path);
         WithValue("7").Save(path);
         std::filesystem::last_write_time(path, written + std::chrono::seconds(10));
       },
       "7"},
      {"file cut to its header and block 0",
       [](const std::string& path) { std::filesystem::resize_file(path, 2 * BlockSize); }, "-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.File("long-lived.hdb");
    WithValue("5").Save(path);
    int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
    ASSERT_GE(h, 0);
    EXPECT_EQ(Value(h), "5");
    c.change(path);
    EXPECT_EQ(Value(h), c.after);
    EXPECT_EQ(db.CloseDatabase(h), 0);
  }
}

// A snapshot opened as a database keeps the version it was read from, and no
// open by path shares its record; the reader of the file sees the change.
TEST_F(ReadAheadTest, ASnapshotKeepsItsVersionBesideAReaderOfTheFile) {
  std::string path = dir.File("both.hdb");
  WithValue("5").Save(path);
  std::vector<unsigned char> image = ReadFileBytes(path);
  int snapshot = db.OpenDatabaseImage(path.c_str(), image.data(), image.size());
  int reader = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(snapshot, 0);
  ASSERT_GE(reader, 0);
  EXPECT_NE(snapshot, reader);
  auto written = std::filesystem::last_write_time(path);
  WithValue("7").Save(path);
  std::filesystem::last_write_time(path, written + std::chrono::seconds(10));
  EXPECT_EQ(Value(reader), "7");
  EXPECT_EQ(Value(snapshot), "5");
  EXPECT_EQ(db.OpenDatabaseImage(path.c_str(), image.data(), HeaderUnitSize - 1), -1) << "no header";
  EXPECT_EQ(db.CloseDatabase(snapshot), 0);
  EXPECT_EQ(db.CloseDatabase(reader), 0);
}

}  // namespace
