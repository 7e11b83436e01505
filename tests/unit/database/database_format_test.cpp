// Name hash and header layout of the .hdb format.
#include "database/database_format.h"

#include <gtest/gtest.h>

#include <string>

TEST(NameHash, FoldsCaseAndCarriesLength) {
  EXPECT_EQ(NameHash("ab"), (2u << 24) | (3u << 16) | 195u);
  EXPECT_EQ(NameHash("AB"), NameHash("ab"));
  EXPECT_EQ(NameHash("Backup Set List"), NameHash("backup set list"));
  EXPECT_NE(NameHash("ab"), NameHash("ac"));
}

TEST(NameHash, EmptyAndLengthWrapsAt256) {
  EXPECT_EQ(NameHash(""), 0u);
  std::string zeros(256, '\0');
  EXPECT_EQ(NameHash(zeros.data(), zeros.size()) >> 24, 0u);
  std::string a256(256, 'a');
  EXPECT_EQ(NameHash(a256.c_str()) >> 24, 0u);
}

TEST(NameHash, HighBytesCountAsNegative) {
  // 0xE9 is -23: the 16-bit sum wraps below zero; only ASCII capitals fold.
  const char name[] = "\xE9";
  EXPECT_EQ(NameHash(name), (1u << 24) | (0xE9u << 16) | (uint16_t)(0x10000 - 23));
  EXPECT_NE(NameHash("\xC9"), NameHash("\xE9"));
}

TEST(DatabaseHeader, CreationValues) {
  unsigned char h[HeaderUsedBytes];
  InitialiseDatabaseHeader(h);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 30), "Vornacle Hierarchal Database\r\n");
  for (int i = 30; i < 36; ++i) EXPECT_EQ(h[i], 0) << i;
  EXPECT_EQ(GetU32(h + 36), 1u);
  EXPECT_EQ(GetU32(h + 44), 72u);
  EXPECT_EQ(GetU32(h + 52), 0u);
  EXPECT_EQ(GetU32(h + 68), 1u);
}

TEST(ObjectHeaderFields, TwentyFourBitCountAndDataPosition) {
  ObjectHeader h;
  h.Set(28, 5, 33, 0x123456, 0xABCDEF);
  EXPECT_EQ(h.NamePosition(), 28u);
  EXPECT_EQ(h.NameLength(), 5u);
  EXPECT_EQ(h.ChildrenPosition(), 33u);
  EXPECT_EQ(h.ChildCount(), 0x123456u);
  EXPECT_EQ(h.DataPosition(), 0xABCDEFu);
  EXPECT_EQ(h.Bytes[19], 0x12);  // count high byte
  EXPECT_EQ(h.Bytes[18], 0xAB);  // data position high byte
  EXPECT_EQ(h.Bytes[0], 0);
  EXPECT_EQ(h.Bytes[27], 0);
}
