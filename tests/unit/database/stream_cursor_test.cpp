// Streams over block chains: growth, reading at block boundaries, seeking,
// allocation, the free-block stream, and damaged chains.
#include "database/stream_cursor.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "database/database_file.h"
#include "database/free_block_stream.h"
#include "database/database_manager.h"
#include "database_test_support.h"

namespace {

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = (char)('a' + i % 26);
  return s;
}

class StreamTest : public ::testing::Test {
 protected:
  void Create() {
    path = dir.File("s.hdb");
    handle = db.OpenDatabase(path.c_str(), OpenCreate);
    ASSERT_GE(handle, 0);
    file = &LookUpDatabase(handle)->Blocks;
    freeBlocks = &LookUpDatabase(handle)->FreeBlocks;
  }
  void OpenRaw(RawImage& image, int mode = OpenReadOnly) {
    path = dir.File("raw.hdb");
    image.Save(path);
    handle = db.OpenDatabase(path.c_str(), mode);
    ASSERT_GE(handle, 0);
    file = &LookUpDatabase(handle)->Blocks;
    freeBlocks = &LookUpDatabase(handle)->FreeBlocks;
  }
  void TearDown() override {
    if (handle >= 0) db.CloseDatabase(handle);
  }
  testsupport::TempDirectory dir;
  DatabaseManager db;
  std::string path;
  int handle = -1;
  BlockFile* file = nullptr;
  FreeBlockStream* freeBlocks = nullptr;
  StreamCursor c;
};

TEST_F(StreamTest, Writing248BytesLinksAnEmptySecondBlock) {
  Create();
  int first = StreamCreate(file, &c);
  ASSERT_EQ(first, 1);
  std::string data = Pattern(248);
  ASSERT_EQ(StreamWrite(file, &c, data.data(), 248), 248);
  EXPECT_EQ(c.Length, 248u);
  EXPECT_EQ(c.Position, 248u);
  EXPECT_EQ(c.Offset, 0);
  EXPECT_EQ(c.Fill, 0);
  EXPECT_EQ(c.CurrentBlock, 2u);
  EXPECT_EQ(file->BlockCount(), 3u);
  db.CloseDatabase(handle);
  handle = -1;
  auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 4u * 256);
  const unsigned char* b1 = bytes.data() + 2 * 256;
  EXPECT_EQ(GetU32(b1), 0u);  // the length word waits for StreamClose
  EXPECT_EQ(GetU32(b1 + 4), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b1 + 8), 248), data);
  const unsigned char* b2 = bytes.data() + 3 * 256;
  for (int i = 0; i < 256; ++i) EXPECT_EQ(b2[i], 0) << i;
}

TEST_F(StreamTest, ClosedStreamRecordsItsLengthAndPreviousLinks) {
  Create();
  int first = StreamCreate(file, &c);
  std::string data = Pattern(600);
  ASSERT_EQ(StreamWrite(file, &c, data.data(), 600), 600);
  StreamClose(file, &c);
  db.CloseDatabase(handle);
  handle = -1;
  auto bytes = ReadFileBytes(path);
  auto block = [&](uint32_t n) { return bytes.data() + (n + 1) * 256; };
  EXPECT_EQ(GetU32(block(first)), 600u);
  EXPECT_EQ(GetU32(block(first) + 4), 2u);
  EXPECT_EQ(GetU32(block(2)), 1u);
  EXPECT_EQ(GetU32(block(2) + 4), 3u);
  EXPECT_EQ(GetU32(block(3)), 2u);
  EXPECT_EQ(GetU32(block(3) + 4), 0u);
}

TEST_F(StreamTest, ReadsStopAtLengthAndRestPastFullBlocks) {
  Create();
  int first = StreamCreate(file, &c);
  std::string data = Pattern(600);
  ASSERT_EQ(StreamWrite(file, &c, data.data(), 600), 600);
  StreamClose(file, &c);

  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, (uint32_t)first), 0);
  char buffer[700];
  ASSERT_EQ(StreamRead(file, &r, buffer, 248), 248);
  EXPECT_EQ(r.CurrentBlock, 2u);
  EXPECT_EQ(r.Offset, 0);
  ASSERT_EQ(StreamRead(file, &r, buffer + 248, 452), 352);
  EXPECT_EQ(std::string(buffer, 600), data);
  EXPECT_EQ(StreamRead(file, &r, buffer, 10), 0);
}

TEST_F(StreamTest, Stream248ReadWith300Request) {
  Create();
  int first = StreamCreate(file, &c);
  std::string data = Pattern(248);
  StreamWrite(file, &c, data.data(), 248);
  StreamClose(file, &c);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, (uint32_t)first), 0);
  char buffer[300];
  EXPECT_EQ(StreamRead(file, &r, buffer, 300), 248);
  EXPECT_EQ(r.CurrentBlock, 2u);
  EXPECT_EQ(r.Fill, 0);
}

TEST_F(StreamTest, SeekClampsToLengthAndChoosesItsWalk) {
  Create();
  int first = StreamCreate(file, &c);
  std::string data = Pattern(248 * 12);
  ASSERT_EQ(StreamWrite(file, &c, data.data(), (uint32_t)data.size()), (int)data.size());
  StreamClose(file, &c);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, (uint32_t)first), 0);
  EXPECT_EQ(StreamSeek(file, &r, 100000), 0);
  EXPECT_EQ(r.Position, (uint32_t)data.size());

  char byte;
  ASSERT_EQ(StreamSeek(file, &r, 248 * 10 + 5), 0);
  // Index 10 to 4: restart from the first block, 1 + 4 block reads.
  ResetDatabaseBlockReads();
  ASSERT_EQ(StreamSeek(file, &r, 248 * 4 + 1), 0);
  EXPECT_EQ(DatabaseBlockReads(), 5u);
  ASSERT_EQ(StreamRead(file, &r, &byte, 1), 1);
  EXPECT_EQ(byte, data[248 * 4 + 1]);
  // Index 10 to 5: walk back five blocks.
  ASSERT_EQ(StreamSeek(file, &r, 248 * 10), 0);
  ResetDatabaseBlockReads();
  ASSERT_EQ(StreamSeek(file, &r, 248 * 5 + 7), 0);
  EXPECT_EQ(DatabaseBlockReads(), 5u);
  ASSERT_EQ(StreamRead(file, &r, &byte, 1), 1);
  EXPECT_EQ(byte, data[248 * 5 + 7]);
}

TEST_F(StreamTest, AllocateAppendsZeroBlockAtBlockCount) {
  RawImage image(5);
  OpenRaw(image, OpenReadWrite);
  EXPECT_EQ(freeBlocks->TakeFreeBlock(), 0u);
  EXPECT_EQ(AllocateBlock(file), 5);
  EXPECT_EQ(file->BlockCount(), 6u);
  db.CloseDatabase(handle);
  handle = -1;
  auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 7u * 256);
  EXPECT_EQ(GetU32(bytes.data() + HeaderBlockCountOffset), 6u);
}

TEST_F(StreamTest, FreeBlocksAreTakenFromTheFront) {
  RawImage image(12);
  std::string entries(8, '\0');
  PutU32(reinterpret_cast<unsigned char*>(&entries[0]), 7);
  PutU32(reinterpret_cast<unsigned char*>(&entries[4]), 9);
  image.Stream({0}, entries, 8);
  image.SetHeader(HeaderFreeBlockCountOffset, 2);
  OpenRaw(image, OpenReadWrite);
  EXPECT_EQ(AllocateBlock(file), 7);
  EXPECT_EQ(file->FreeBlockCount(), 1u);
  EXPECT_EQ(freeBlocks->TakeFreeBlock(), 9u) << "the entry behind moved to the front";
  EXPECT_EQ(freeBlocks->TakeFreeBlock(), 0u);
  db.CloseDatabase(handle);
  handle = -1;
  auto bytes = ReadFileBytes(path);
  EXPECT_EQ(GetU32(bytes.data() + HeaderFreeBlockCountOffset), 0u);
  EXPECT_EQ(GetU32(bytes.data() + BlockSize + BlockFirstWordOffset), 0u) << "both entries gone from the stream";
}

// A reused block still carries the link of the chain it left (here to itself);
// following it made the stream overwrite its own blocks.
TEST_F(StreamTest, ReusedFreeBlockEndsTheChain) {
  RawImage image(6);
  std::string entries(8, '\0');
  PutU32(reinterpret_cast<unsigned char*>(&entries[0]), 5);
  PutU32(reinterpret_cast<unsigned char*>(&entries[4]), 4);
  image.Stream({0}, entries, 8);
  image.SetHeader(HeaderFreeBlockCountOffset, 2);
  image.Link(4, 4, 4);
  OpenRaw(image, OpenReadWrite);
  int first = StreamCreate(file, &c);
  ASSERT_EQ(first, 5);
  std::string data = Pattern(600);
  ASSERT_EQ(StreamWrite(file, &c, data.data(), 600), 600);
  StreamClose(file, &c);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 5), 0);
  std::string back(600, '\0');
  ASSERT_EQ(StreamRead(file, &r, &back[0], 600), 600);
  EXPECT_EQ(back, data);
  unsigned char block[BlockSize];
  ASSERT_EQ(ReadBlock(file, 4, block), 0);
  EXPECT_NE(GetU32(block + BlockNextOffset), 4u);
}

TEST_F(StreamTest, FreeEntryBeyondTheFileIsNotUsed) {
  RawImage image(3);
  std::string entries(4, '\0');
  PutU32(reinterpret_cast<unsigned char*>(&entries[0]), 0x00FFFFF0);
  image.Stream({0}, entries, 4);
  image.SetHeader(HeaderFreeBlockCountOffset, 1);
  OpenRaw(image, OpenReadWrite);
  EXPECT_EQ(AllocateBlock(file), 3);
  EXPECT_EQ(file->FreeBlockCount(), 0u);
}

TEST_F(StreamTest, RemoveBytesShiftsTheTail) {
  Create();
  int first = StreamCreate(file, &c);
  std::string data = Pattern(1000);
  StreamWrite(file, &c, data.data(), 1000);
  ASSERT_EQ(StreamRemoveBytes(file, &c, 500, 100), 0);
  EXPECT_EQ(c.Length, 900u);
  EXPECT_EQ(StreamRemoveBytes(file, &c, 50, 100), -1);  // would start before the stream
  EXPECT_EQ(StreamRemoveBytes(file, &c, 5000, 1), -1);
  StreamClose(file, &c);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, (uint32_t)first), 0);
  std::string back(900, '\0');
  ASSERT_EQ(StreamRead(file, &r, &back[0], 2000), 900);
  EXPECT_EQ(back, data.substr(0, 400) + data.substr(500));
}

// Damaged chains.

TEST_F(StreamTest, ChainEndingBeforeItsLengthFailsTheRead) {
  RawImage image(3);
  image.Link(1, 600, 2);  // says 600 bytes, holds two blocks
  image.Link(2, 1, 0);
  OpenRaw(image);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  char buffer[600];
  EXPECT_EQ(StreamRead(file, &r, buffer, 600), -1);
}

TEST_F(StreamTest, ChainThatLoopsFailsTheRead) {
  RawImage image(4);
  image.Link(1, 5000, 2);
  image.Link(2, 1, 3);
  image.Link(3, 2, 2);  // back to 2, whose predecessor is 1
  OpenRaw(image);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  std::vector<char> buffer(5000);
  EXPECT_EQ(StreamRead(file, &r, buffer.data(), 5000), -1);
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  EXPECT_EQ(StreamSeek(file, &r, 4000), -1);
}

// A read that failed at a block's end leaves the cursor there; the next seek
// must start from that block, not from the one Position / 248 names.
TEST_F(StreamTest, SeekAfterAFailedReadStartsFromTheCursorsBlock) {
  RawImage image(4);
  std::string data = Pattern(700);
  image.Stream({1, 2, 3}, data, 700);
  image.Link(3, 1, 0);  // names 1, not 2, as its predecessor
  OpenRaw(image);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  std::string all(700, '\0');
  EXPECT_EQ(StreamRead(file, &r, &all[0], 700), -1);
  char back[10];
  ASSERT_EQ(StreamSeek(file, &r, 300), 0);
  ASSERT_EQ(StreamRead(file, &r, back, 10), 10);
  EXPECT_EQ(std::string(back, 10), data.substr(300, 10));
}

TEST_F(StreamTest, ChainBackToItsFirstBlockFails) {
  RawImage image(3);
  image.Link(1, 5000, 2);
  image.Link(2, 1, 1);
  OpenRaw(image);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  std::vector<char> buffer(5000);
  EXPECT_EQ(StreamRead(file, &r, buffer.data(), 5000), -1);
}

TEST_F(StreamTest, BlocksBeyondTheFileAreReadFailures) {
  RawImage image(2);
  image.Link(1, 600, 0x01000000);  // offset would not fit 32 bits
  OpenRaw(image);
  unsigned char block[256];
  EXPECT_EQ(ReadBlock(file, 2, block), -1);           // == BlockCount
  EXPECT_EQ(ReadBlock(file, 0xFFFFFFFFu, block), -1);
  EXPECT_EQ(ReadBlock(file, 0x01000000u, block), -1);
  EXPECT_EQ(ReadBlock(file, 1, block), 0);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  char buffer[600];
  EXPECT_EQ(StreamRead(file, &r, buffer, 600), -1);
  EXPECT_EQ(StreamOpen(file, &r, 7), -1);
}

TEST_F(StreamTest, BlockCountBeyondFileSizeFailsCleanly) {
  RawImage image(2);
  image.SetHeader(HeaderBlockCountOffset, 50);  // the file holds 2
  image.Link(1, 1000, 5);
  OpenRaw(image);
  unsigned char block[256];
  EXPECT_EQ(ReadBlock(file, 5, block), -1);
  EXPECT_EQ(ReadBlock(file, 1, block), 0);  // the short read did not spoil the position
}

TEST_F(StreamTest, CloseDoesNotWriteWhenFirstBlockCannotBeRead) {
  Create();
  StreamCursor bogus;
  memset(&bogus, 0, sizeof bogus);
  bogus.FirstBlock = bogus.CurrentBlock = 40;  // beyond the file
  bogus.Length = 77;
  uint32_t before = file->BlockCount();
  StreamClose(file, &bogus);
  EXPECT_EQ(file->BlockCount(), before);
  db.CloseDatabase(handle);
  handle = -1;
  EXPECT_EQ(ReadFileBytes(path).size(), 512u);
}

}  // namespace

namespace {

// Found by fuzzing: a block linking to itself with a zero predecessor word made
// a read walk it once per 248 bytes of a length of gigabytes.
TEST_F(StreamTest, SelfLinkedBlockWithZeroPredecessorFails) {
  RawImage image(4);
  image.Link(1, 0xF0000000u, 2);
  image.Link(2, 1, 3);
  image.Link(3, 0, 3);
  OpenRaw(image);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  std::vector<char> buffer(4096);
  ResetDatabaseBlockReads();
  EXPECT_EQ(StreamRead(file, &r, buffer.data(), 4096), -1);
  EXPECT_LT(DatabaseBlockReads(), 10u);
}

TEST_F(StreamTest, LastBlockWithZeroPredecessorIsTolerated) {
  RawImage image(3);
  std::string data(300, 'p');
  image.Stream({1, 2}, data, 300);
  image.Link(2, 0, 0);  // linked, never written back
  OpenRaw(image);
  StreamCursor r;
  ASSERT_EQ(StreamOpen(file, &r, 1), 0);
  std::vector<char> buffer(400);
  EXPECT_EQ(StreamRead(file, &r, buffer.data(), 400), 300);
}

}  // namespace
