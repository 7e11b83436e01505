// On-disk layout of .hdb files: the header unit, blocks, object headers,
// children-table entries and the name hash. Every number here is part of the
// file format that the main program writes too; change none of them.
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
