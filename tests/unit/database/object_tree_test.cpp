// The object tree's read side: lookups, enumeration, names, data, the cache,
// and files whose tables or headers do not fit their streams.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include "database/database_manager.h"
#include "database/diagnostic_sink.h"
#include "database_test_support.h"

namespace {

int g_leftOpen = 0;
int CountLeftOpen(const char*, const char* message) {
  g_leftOpen = atoi(message);
  return 0;
}

class ObjectTest : public ::testing::Test {
 protected:
  void Open(RawImage& image) {
    path = dir.File("o.hdb");
    image.Save(path);
    handle = db.OpenDatabase(path.c_str(), OpenReadOnly);
    ASSERT_GE(handle, 0);
  }
  void TearDown() override {
    if (handle >= 0) db.CloseDatabase(handle);
  }
  // Object ids of an enumeration, stopping after limit steps.
  std::vector<int> Enumerate(int parent, size_t limit = 100) {
    std::vector<int> ids;
    for (int id = db.FirstChild(handle, parent); id != -1 && ids.size() < limit;
         id = db.NextChild(handle, parent, id))
      ids.push_back(id);
    return ids;
  }
  // Closes the database and returns how many objects its close found still
  // loaded (0 unless the close reports some).
  int LeftOpenAtClose() {
    g_leftOpen = 0;
    DiagnosticSinkFunction previous = SetDiagnosticSink(CountLeftOpen);
    db.CloseDatabase(handle);
    handle = -1;
    SetDiagnosticSink(previous);
    return g_leftOpen;
  }
  testsupport::TempDirectory dir;
  DatabaseManager db;
  std::string path;
  int handle = -1;
};

// Root with "Backup Set List" (2) holding "backup set list" (3) and two keys.
RawImage SampleImage() {
  RawImage image(6);
  image.SmallObject(1, RawImage::Object("", {Child(3, "backup set list"), Child(2, "Backup Set List")}, ""));
  image.SmallObject(2, RawImage::Object("Backup Set List", {Child(4, "Count"), Child(5, "Name")}, ""));
  image.SmallObject(3, RawImage::Object("backup set list", {}, "other"));
  image.SmallObject(4, RawImage::Object("Count", {}, "5"));
  image.SmallObject(5, RawImage::Object("Name", {}, "Documents"));
  return image;
}

TEST_F(ObjectTest, FindChildMatchesExactBytesDespiteSharedHash) {
  RawImage image = SampleImage();
  Open(image);
  EXPECT_EQ(db.FindChild(handle, 1, "Backup Set List"), 2);
  EXPECT_EQ(db.FindChild(handle, 1, "backup set list"), 3);
  EXPECT_EQ(db.FindChild(handle, 1, "BACKUP SET LIST"), -1);
  EXPECT_EQ(db.FindChild(handle, 2, "Count"), 4);
  EXPECT_EQ(db.FindChild(handle, 2, "Coun"), -1);
  EXPECT_EQ(db.FindChild(handle, 4, "x"), -1);  // no children
  EXPECT_EQ(LeftOpenAtClose(), 0) << "lookups load objects only for their own length";
}

TEST_F(ObjectTest, EnumerationFollowsTableOrder) {
  RawImage image = SampleImage();
  Open(image);
  EXPECT_EQ(Enumerate(1), (std::vector<int>{3, 2}));
  EXPECT_EQ(Enumerate(2), (std::vector<int>{4, 5}));
  EXPECT_EQ(db.FirstChild(handle, 4), -1);
  EXPECT_EQ(db.NextChild(handle, 4, 1), -1);
  EXPECT_EQ(db.NextChild(handle, 2, 5), -1);   // last child
  EXPECT_EQ(db.NextChild(handle, 2, 3), -1);   // not a child of 2
  EXPECT_EQ(LeftOpenAtClose(), 0);
}

TEST_F(ObjectTest, ReadNameTruncatesToBuffer) {
  RawImage image(3);
  std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
  image.SmallObject(1, RawImage::Object("", {Child(2, thirty.c_str())}, ""));
  image.SmallObject(2, RawImage::Object(thirty, {}, ""));
  Open(image);
  char name[20];
  memset(name, 'X', sizeof name);
  EXPECT_EQ(db.ReadName(handle, 2, name, sizeof name), 19);
  EXPECT_EQ(std::string(name), thirty.substr(0, 19));
  char full[64];
  EXPECT_EQ(db.ReadName(handle, 2, full, sizeof full), 30);
  EXPECT_EQ(std::string(full), thirty);
  EXPECT_EQ(db.ReadName(handle, 1, full, sizeof full), 0);
  EXPECT_STREQ(full, "");
  EXPECT_EQ(db.ReadName(handle, 2, full, 0), 0);
  EXPECT_EQ(db.ReadName(handle, 9, full, sizeof full), -1);
}

TEST_F(ObjectTest, ReadDataContinuesUntilReleased) {
  RawImage image = SampleImage();
  Open(image);
  char value[20];
  EXPECT_EQ(db.ReadData(handle, 4, value, 20), 1);
  EXPECT_EQ(value[0], '5');
  EXPECT_EQ(db.ReadData(handle, 4, value, 20), 0) << "still loaded: it goes on at the end";
  db.ReleaseObject(handle, 4);
  EXPECT_EQ(db.ReadData(handle, 4, value, 20), 1) << "released: from the start again";
  db.ReleaseObject(handle, 4);
  EXPECT_EQ(db.ReadData(handle, 5, value, 4), 4);
  EXPECT_EQ(db.ReadData(handle, 5, value + 4, 20), 5);
  EXPECT_EQ(std::string(value, 9), "Documents");
  // Lookups on a cached object leave it cached and its read position alone.
  EXPECT_EQ(db.FindChild(handle, 5, "x"), -1);
  EXPECT_EQ(db.ReadData(handle, 5, value, 20), 0);
  db.ReleaseObject(handle, 5);
  db.ReleaseObject(handle, 5);  // not cached: ignored
  EXPECT_EQ(db.ReadData(handle, 4, nullptr, 4), -1);
  EXPECT_EQ(db.ReadData(handle, 4, value, -1), -1);
  EXPECT_EQ(LeftOpenAtClose(), 0);
}

TEST_F(ObjectTest, DataSpanningBlocks) {
  RawImage image(5);
  std::string data(700, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = (char)(i * 7);
  std::string content = RawImage::Object("big", {}, data);
  image.SmallObject(1, RawImage::Object("", {Child(2, "big")}, ""));
  image.Stream({2, 3, 4}, content, (uint32_t)content.size());
  Open(image);
  std::string back;
  char chunk[97];
  int n;
  while ((n = db.ReadData(handle, 2, chunk, sizeof chunk)) > 0) back.append(chunk, (size_t)n);
  EXPECT_EQ(n, 0);
  db.ReleaseObject(handle, 2);
  EXPECT_EQ(back, data);
}

TEST_F(ObjectTest, IdsAtOrBeyondBlockCountAreRejected) {
  RawImage image = SampleImage();
  Open(image);
  char buffer[8];
  ResetDatabaseBlockReads();
  EXPECT_EQ(db.ReadData(handle, 6, buffer, 8), -1);
  EXPECT_EQ(db.FindChild(handle, 6, "a"), -1);
  EXPECT_EQ(db.FirstChild(handle, -1), -1);
  EXPECT_EQ(DatabaseBlockReads(), 0u);
}

// While the main program holds the file open its header count lags behind the
// blocks it appended: readers go by what the file holds.
TEST_F(ObjectTest, BlocksPastALaggingHeaderCountAreRead) {
  RawImage image = SampleImage();
  image.SetHeader(HeaderBlockCountOffset, 2);
  Open(image);
  EXPECT_EQ(Enumerate(2), (std::vector<int>{4, 5}));
  EXPECT_EQ(db.FindChild(handle, 2, "Name"), 5);
  char buffer[16];
  EXPECT_EQ(db.ReadData(handle, 5, buffer, 16), 9);
  db.ReleaseObject(handle, 5);
  EXPECT_EQ(db.ReadData(handle, 6, buffer, 16), -1);
  // An enumeration of many children reads the table once, not once per step
  // (seen on a writable open, which reads block by block).
  RawImage many(2070);
  std::vector<std::pair<uint32_t, uint32_t>> children;
  for (uint32_t id = 2; id < 2002; ++id) children.push_back(Child(id, "k"));
  std::string root = RawImage::Object("", children, "");
  std::vector<uint32_t> chain{1};
  for (uint32_t b = 2002; chain.size() * BlockPayloadSize < root.size(); ++b) chain.push_back(b);
  many.Stream(chain, root, (uint32_t)root.size());
  for (uint32_t id = 2; id < 2002; ++id) many.SmallObject(id, RawImage::Object("k", {}, ""));
  many.SetHeader(HeaderBlockCountOffset, 3);
  db.CloseDatabase(handle);
  many.Save(path);
  handle = db.OpenDatabase(path.c_str(), OpenReadWrite);
  ResetDatabaseBlockReads();
  EXPECT_EQ(Enumerate(1, 5000).size(), 2000u);
  EXPECT_LE(DatabaseBlockReads(), 2 * many.Bytes().size() / BlockSize);
}

TEST_F(ObjectTest, AllOnesLengthCannotBeLoaded) {
  RawImage image = SampleImage();
  image.Link(4, 0xFFFFFFFFu, 0);
  Open(image);
  char buffer[8];
  EXPECT_EQ(db.ReadData(handle, 4, buffer, 8), -1);
  EXPECT_EQ(db.ReadName(handle, 4, buffer, 8), -1);
  EXPECT_EQ(LeftOpenAtClose(), 0);
}

// Repeats would make enumeration cycle; an id beyond the file or the 32-bit
// offset used to end it, hiding every later sibling. Block 0 (the free-block
// stream's) is no object, and ids the header counts but the file does not
// hold are outside it.
TEST_F(ObjectTest, RepeatedAndOutOfRangeIdsArePassedOver) {
  RawImage image(5);
  image.SetHeader(HeaderBlockCountOffset, 60);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a"), Child(0xFFFFFFFFu, "x"), Child(3, "b"), Child(2, "a"),
                                            Child(0, ""), Child(77, "y"), Child(40, "w"), Child(4, "c"),
                                            Child(3, "b")}, ""));
  image.SmallObject(2, RawImage::Object("a", {}, ""));
  image.SmallObject(3, RawImage::Object("b", {}, ""));
  image.SmallObject(4, RawImage::Object("c", {}, ""));
  Open(image);
  EXPECT_EQ(Enumerate(1), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(db.FindChild(handle, 1, ""), -1);  // block 0's zeros read as an empty name
}

TEST_F(ObjectTest, SelfReferenceEndsEnumeration) {
  RawImage image(2);
  image.SmallObject(1, RawImage::Object("", {Child(1, ""), Child(1, "")}, ""));
  Open(image);
  EXPECT_EQ(Enumerate(1), (std::vector<int>{1}));
  EXPECT_EQ(db.FindChild(handle, 1, ""), 1);
}

TEST_F(ObjectTest, ChildCountBeyondStreamIsRejectedBeforeAllocating) {
  RawImage image(3);
  std::string root = RawImage::Object("", {Child(2, "a")}, "");
  root[14] = '\xFF';
  root[15] = '\xFF';
  root[19] = '\xFF';  // 16,777,215 children claimed in a 36-byte stream
  image.SmallObject(1, root);
  image.SmallObject(2, RawImage::Object("a", {}, ""));
  Open(image);
  EXPECT_EQ(db.FindChild(handle, 1, "a"), -1);
  EXPECT_EQ(db.NextChild(handle, 1, 2), -1);
  EXPECT_EQ(db.FirstChild(handle, 1), -1);  // the table as a whole does not fit
}

TEST_F(ObjectTest, NameAndDataBeyondStreamReadShort) {
  RawImage image(3);
  std::string child = RawImage::Object("abc", {}, "");
  PutU16(reinterpret_cast<unsigned char*>(&child[10]), 0xFFFF);      // name length
  child[16] = '\x10'; child[17] = '\x27'; child[18] = '\x00';        // data at 10000
  image.SmallObject(1, RawImage::Object("", {Child(2, "abc")}, ""));
  image.SmallObject(2, child);
  Open(image);
  char name[100000];
  EXPECT_EQ(db.ReadName(handle, 2, name, sizeof name), 3);
  EXPECT_STREQ(name, "abc");
  char data[16];
  EXPECT_EQ(db.ReadData(handle, 2, data, 16), 0);
  db.ReleaseObject(handle, 2);
  EXPECT_EQ(db.FindChild(handle, 1, "abc"), 2);  // the name as far as the stream holds it
}

TEST_F(ObjectTest, LongerNameWithSameHashDoesNotMatch) {
  RawImage image(3);
  // The entry carries the hash of the name looked for; the stored name only
  // begins with it.
  image.SmallObject(1, RawImage::Object("", {Child(2, "Count")}, ""));
  image.SmallObject(2, RawImage::Object("Counter", {}, ""));
  Open(image);
  EXPECT_EQ(db.FindChild(handle, 1, "Count"), -1);
}

TEST_F(ObjectTest, StreamShorterThanItsHeader) {
  RawImage image(3);
  image.SmallObject(1, RawImage::Object("", {Child(2, "")}, ""));
  image.SmallObject(2, RawImage::Object("", {Child(1, "")}, ""));
  image.Link(2, 5, 0);  // the header says data at 36, the stream holds 5 bytes
  Open(image);
  char buffer[8];
  EXPECT_EQ(db.FirstChild(handle, 2), -1);
  EXPECT_EQ(db.ReadData(handle, 2, buffer, 8), 0);
  db.ReleaseObject(handle, 2);
}

TEST_F(ObjectTest, ChildTableInLoopingChainFails) {
  RawImage image(4);
  std::vector<std::pair<uint32_t, uint32_t>> many;
  for (int i = 0; i < 100; ++i) many.push_back(Child(2, "x"));
  std::string root = RawImage::Object("", many, "");
  image.Stream({1, 2, 3}, root, (uint32_t)root.size());
  image.Link(3, 2, 2);  // 3 leads back to 2
  Open(image);
  EXPECT_EQ(db.NextChild(handle, 1, 2), -1);
  EXPECT_EQ(db.FindChild(handle, 1, "x"), -1);
}

}  // namespace
