// On-disk layout of .hdb files: the header unit, blocks, object headers,
// children-table entries and the name hash. Every number here is part of the
// file format that the main program writes too; change none of them. This
// comment is the one description of the layout (docs/hdb-format.md points
// here).
//
// All integers are little-endian. The file is a sequence of 256-byte units.
//
// Unit 0, the header (the engine keeps and rewrites only bytes 0-71):
//   offset size  field
//    0     36    magic "Vornacle Hierarchal Database\r\n" + 6 zero bytes
//                (not checked on open)
//   36     u32   1 at creation
//   44     u32   72 at creation
//   52     u32   BlockCount: blocks in the file; the next appended block gets
//                this number
//   60     u32   FreeListBlock: first block of the free-block stream
//   64     u32   FreeBlockCount: u32 entries in the free-block stream
//   68     u32   WriterOpen: 1 while a writer has the file open; 0 after a
//                clean close
//   Bytes 40, 48 and 56 and 72-255 are zero at creation and read by no one.
//
// Blocks. Block n lies at file offset (n + 1) * 256. Bytes 0-3: in the first
// block of a chain the stream's length, in later blocks the previous block's
// number; bytes 4-7: next block (0 = last); bytes 8-255: 248 bytes of payload.
//
// Streams. A byte sequence in a chain of blocks, named by its first block. A
// stream of length L written by the engine has L div 248 + 1 blocks (a full
// last block is followed by an empty one); shortening it keeps its blocks.
//
// Objects. An object is a stream; its id is its first block. Object 1 is the
// root; a first block whose length has all 32 bits set cannot be loaded. The
// stream starts with a 28-byte header:
//   offset size          field
//    8     u16           name position
//   10     u16           name length (no terminating zero)
//   12     u16           children-table position
//   14     u16 + byte 19 child count (24 bits)
//   16     u16 + byte 18 data position (24 bits); data runs to the end of the
//                        stream
//   Bytes 0-7 and 20-27 are zero when the engine writes an object.
//
// The children table has 8-byte entries, in enumeration order: child id
// (u32), hash of the child's name (u32: length mod 256 in the top byte, XOR
// of the bytes, 16-bit sum of the bytes taken as signed, with A-Z folded to
// a-z). Settings are stored one object per key; the value is the object's
// data (numbers as decimal text).
//
// The free-block stream holds FreeBlockCount u32 block numbers of blocks that
// may be reused, taken from its front.
//
// A newly created, closed, empty database is exactly 512 bytes: the header
// with BlockCount 1 and block 0, the empty free-block stream. It has no root.
#pragma once
#include <stddef.h>
#include <stdint.h>

const uint32_t BlockSize = 256;
const uint32_t BlockPayloadSize = 248;
const uint32_t BlockLinkSize = 8;  // previous-or-length word, next word
const uint32_t HeaderUnitSize = 256;
// Only this much of the header unit is kept in memory and written back.
const uint32_t HeaderUsedBytes = 72;

// Offsets into the header unit.
const size_t HeaderMagicOffset = 0;
const size_t HeaderMagicSize = 36;
const size_t HeaderVersionOffset = 36;
const size_t HeaderUsedBytesOffset = 44;
const size_t HeaderBlockCountOffset = 52;
const size_t HeaderFreeListBlockOffset = 60;
const size_t HeaderFreeBlockCountOffset = 64;
const size_t HeaderWriterOpenOffset = 68;
const uint32_t HeaderVersionAtCreation = 1;
extern const char DatabaseMagic[];      // "Vornacle Hierarchal Database\r\n"
const size_t DatabaseMagicLength = 30;  // followed by zeros up to 36 bytes

// Offsets into a block.
const size_t BlockFirstWordOffset = 0;  // length (first block) or previous block
const size_t BlockNextOffset = 4;
const size_t BlockPayloadOffset = 8;

// The file offset of a block is (n + 1) * 256 in 32 bits: the largest block a
// file can hold is the one whose offset still fits.
const uint32_t MaxBlockNumber = 0xFFFFFFFFu / BlockSize - 1;  // 16,777,214

// Object header, at the start of an object's stream.
const uint32_t ObjectHeaderSize = 28;
const size_t ObjectNamePositionOffset = 8;     // u16
const size_t ObjectNameLengthOffset = 10;      // u16
const size_t ObjectChildrenPositionOffset = 12;// u16
const size_t ObjectChildCountLowOffset = 14;   // u16
const size_t ObjectDataPositionLowOffset = 16; // u16
const size_t ObjectDataPositionHighOffset = 18;// u8
const size_t ObjectChildCountHighOffset = 19;  // u8
const uint32_t ObjectUnloadableLength = 0xFFFFFFFFu;
const uint32_t MaxObjectChildCount = 0xFFFFFFu;
const uint32_t MaxObjectDataPosition = 0xFFFFFFu;
const uint32_t MaxObjectNamePosition = 0xFFFFu;

const uint32_t ChildEntrySize = 8;  // u32 ObjectId, u32 NameHash

inline uint32_t GetU32(const unsigned char* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline uint16_t GetU16(const unsigned char* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
inline void PutU32(unsigned char* p, uint32_t v) {
  p[0] = (unsigned char)v;
  p[1] = (unsigned char)(v >> 8);
  p[2] = (unsigned char)(v >> 16);
  p[3] = (unsigned char)(v >> 24);
}
inline void PutU16(unsigned char* p, uint16_t v) {
  p[0] = (unsigned char)v;
  p[1] = (unsigned char)(v >> 8);
}

// Fields derived from a 28-byte object header.
struct ObjectHeader {
  unsigned char Bytes[ObjectHeaderSize];

  uint32_t NamePosition() const { return GetU16(Bytes + ObjectNamePositionOffset); }
  uint32_t NameLength() const { return GetU16(Bytes + ObjectNameLengthOffset); }
  uint32_t ChildrenPosition() const { return GetU16(Bytes + ObjectChildrenPositionOffset); }
  uint32_t ChildCount() const {
    return ((uint32_t)Bytes[ObjectChildCountHighOffset] << 16) | GetU16(Bytes + ObjectChildCountLowOffset);
  }
  uint32_t DataPosition() const {
    return ((uint32_t)Bytes[ObjectDataPositionHighOffset] << 16) | GetU16(Bytes + ObjectDataPositionLowOffset);
  }
  // Fills every field; bytes this system does not interpret become zero.
  // Values must be within the field widths (callers check).
  void Set(uint32_t namePosition, uint32_t nameLength, uint32_t childrenPosition,
           uint32_t childCount, uint32_t dataPosition);
};

// Case-folding hash of a zero-terminated name; stored in every children-table entry.
uint32_t NameHash(const char* name);
// The same hash over a name that arrives in pieces (a name read block by block).
struct NameHashState {
  uint32_t Count = 0;
  uint16_t Sum = 0;
  uint8_t Xor = 0;
  void Add(const char* bytes, size_t length);
  uint32_t Value() const { return ((Count & 0xFFu) << 24) | ((uint32_t)Xor << 16) | Sum; }
};
// The same for a name given with its length (names read from a file).
uint32_t NameHash(const char* name, size_t length);

// Fills the 72 in-memory header bytes as a newly created file carries them.
void InitialiseDatabaseHeader(unsigned char header[HeaderUsedBytes]);
