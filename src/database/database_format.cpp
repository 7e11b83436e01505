// The name hash and the creation values of headers.
#include "database/database_format.h"

#include <string.h>

const char DatabaseMagic[] = "Vornacle Hierarchal Database\r\n";
static_assert(sizeof(DatabaseMagic) - 1 == DatabaseMagicLength, "magic length");

void ObjectHeader::Set(uint32_t namePosition, uint32_t nameLength, uint32_t childrenPosition,
                       uint32_t childCount, uint32_t dataPosition) {
  memset(Bytes, 0, sizeof Bytes);
  PutU16(Bytes + ObjectNamePositionOffset, (uint16_t)namePosition);
  PutU16(Bytes + ObjectNameLengthOffset, (uint16_t)nameLength);
  PutU16(Bytes + ObjectChildrenPositionOffset, (uint16_t)childrenPosition);
  PutU16(Bytes + ObjectChildCountLowOffset, (uint16_t)childCount);
  Bytes[ObjectChildCountHighOffset] = (unsigned char)(childCount >> 16);
  PutU16(Bytes + ObjectDataPositionLowOffset, (uint16_t)dataPosition);
  Bytes[ObjectDataPositionHighOffset] = (unsigned char)(dataPosition >> 16);
}

void NameHashState::Add(const char* bytes, size_t length) {
  // Kept in locals: stores through this would have to be redone after every
  // byte read, since a char pointer may alias them.
  uint16_t sum = Sum;
  uint8_t x = Xor;
  for (size_t i = 0; i < length; ++i) {
    int v = (signed char)bytes[i];
    v += ((unsigned)(v - 'A') <= (unsigned)('Z' - 'A')) ? 32 : 0;
    sum = (uint16_t)(sum + v);
    x = (uint8_t)(x ^ (uint8_t)v);
  }
  Sum = sum;
  Xor = x;
  Count += (uint32_t)length;
}

uint32_t NameHash(const char* name, size_t length) {
  NameHashState state;
  state.Add(name, length);
  return state.Value();
}

uint32_t NameHash(const char* name) { return NameHash(name, name ? strlen(name) : 0); }

void InitialiseDatabaseHeader(unsigned char header[HeaderUsedBytes]) {
  memset(header, 0, HeaderUsedBytes);
  memcpy(header + HeaderMagicOffset, DatabaseMagic, DatabaseMagicLength);
  PutU32(header + HeaderVersionOffset, HeaderVersionAtCreation);
  PutU32(header + HeaderUsedBytesOffset, HeaderUsedBytes);
  PutU32(header + HeaderWriterOpenOffset, 1);
}
