// Writing objects and reading them back through the public interface, and the
// bytes the writer lays down.
#include "database/object_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "database/database_manager.h"
#include "database_test_support.h"

namespace {

class ObjectWriterTest : public ::testing::Test {
 protected:
  std::string Data(int h, int id) {
    std::string out;
    char chunk[64];
    int n;
    while ((n = db.ReadData(h, id, chunk, sizeof chunk)) > 0) out.append(chunk, (size_t)n);
    db.ReleaseObject(h, id);
    return out;
  }
  std::string Name(int h, int id) {
    char name[300];
    return db.ReadName(h, id, name, sizeof name) >= 0 ? name : "<none>";
  }
  testsupport::TempDirectory dir;
  DatabaseManager db;
};

TEST_F(ObjectWriterTest, CreateObjectMakesRootAndChildren) {
  std::string path = dir.File("w.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  ASSERT_GE(h, 0);
  int list = CreateObject(db, h, RootObjectId, "Backup Set List", nullptr, 0);
  ASSERT_EQ(list, 2);
  int set = CreateObject(db, h, list, "Set 1", "hello", 5);
  ASSERT_GT(set, 0);
  std::string big(1000, 'z');
  int key = CreateObject(db, h, set, "Key", big.data(), (unsigned)big.size());
  ASSERT_GT(key, 0);
  for (int i = 0; i < 40; ++i) {
    std::string name = "k" + std::to_string(i);
    int id = CreateObject(db, h, set, name.c_str(), name.data(), (unsigned)name.size());
    ASSERT_GT(id, 0);
    EXPECT_EQ(db.FindChild(h, set, name.c_str()), id);  // the table kept by the last lookup is not reused
  }
  ASSERT_EQ(db.CloseDatabase(h), 0);

  h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  ASSERT_GE(h, 0);
  EXPECT_EQ(db.FindChild(h, 1, "Backup Set List"), list);
  EXPECT_EQ(db.FindChild(h, list, "Set 1"), set);
  EXPECT_EQ(Data(h, set), "hello");  // data survives the growing table
  EXPECT_EQ(Data(h, key), big);
  EXPECT_EQ(Name(h, key), "Key");
  int k39 = db.FindChild(h, set, "k39");
  EXPECT_EQ(Data(h, k39), "k39");
  int count = 0;
  for (int id = db.FirstChild(h, set); id != -1; id = db.NextChild(h, set, id)) ++count;
  EXPECT_EQ(count, 41);
  EXPECT_EQ(db.CloseDatabase(h), 0);
}

TEST_F(ObjectWriterTest, ReadOnlyDatabasesAreNotWritten) {
  std::string path = dir.File("r.hdb");
  db.CloseDatabase(db.OpenDatabase(path.c_str(), OpenCreate));
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  EXPECT_EQ(CreateObject(db, h, 1, "x", nullptr, 0), -1);
  ObjectNode root;
  EXPECT_EQ(WriteObjectTree(db, h, root), -1);
  db.CloseDatabase(h);
  EXPECT_EQ(ReadFileBytes(path).size(), 512u);
}

TEST_F(ObjectWriterTest, TreeWriterLayout) {
  std::string path = dir.File("t.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  ObjectNode root;
  root.Children.push_back({"ab", std::string("v\0w", 3), {}});
  ASSERT_EQ(WriteObjectTree(db, h, root), 0);
  EXPECT_EQ(WriteObjectTree(db, h, root), -1);  // the root exists already
  db.CloseDatabase(h);
  auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 4u * 256);
  const unsigned char* b1 = bytes.data() + 2 * 256;
  EXPECT_EQ(GetU32(b1), 36u);  // header + one entry
  const unsigned char* p = b1 + 8;
  EXPECT_EQ(GetU16(p + 8), 28u);
  EXPECT_EQ(GetU16(p + 10), 0u);
  EXPECT_EQ(GetU16(p + 12), 28u);
  EXPECT_EQ(GetU16(p + 14), 1u);
  EXPECT_EQ(GetU16(p + 16), 36u);
  EXPECT_EQ(GetU32(p + 28), 2u);
  EXPECT_EQ(GetU32(p + 32), NameHash("ab"));
  const unsigned char* b2 = bytes.data() + 3 * 256;
  EXPECT_EQ(GetU32(b2), 28u + 2 + 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b2 + 8 + 28), 5), std::string("abv\0w", 5));

  h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  EXPECT_EQ(Data(h, db.FindChild(h, 1, "ab")), std::string("v\0w", 3));
  db.CloseDatabase(h);
}

TEST_F(ObjectWriterTest, ReplacingDataShrinksTheStream) {
  std::string path = dir.File("d.hdb");
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  std::string big(600, 'q');
  int id = CreateObject(db, h, 1, "v", big.data(), (unsigned)big.size());
  ASSERT_EQ(WriteObjectData(db, h, id, "12", 2), 0);
  EXPECT_EQ(Data(h, id), "12");
  db.CloseDatabase(h);
  h = db.OpenDatabase(path.c_str(), OpenReadWrite);
  EXPECT_EQ(Data(h, db.FindChild(h, 1, "v")), "12");
  db.CloseDatabase(h);
}

}  // namespace
