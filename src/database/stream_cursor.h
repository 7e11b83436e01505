// Streams: byte sequences stored in chains of 256-byte blocks. The
// StreamCursor reads, writes and positions within a stream with one block
// buffered, over the blocks of one open database (block_file.h), and shifts a
// stream's tail. Callers hold the database's lock.
//
// Reading never goes past a stream's length, and a chain that ends, loops or
// leaves the file before its length says makes the read fail (-1).
#pragma once
#include <stdint.h>

#include "database/block_file.h"
#include "database/database_format.h"

struct StreamCursor {
  uint32_t FirstBlock;
  uint32_t CurrentBlock;
  uint32_t NextBlock;
  uint32_t PreviousBlock;
  uint32_t Position;
  uint32_t Length;
  unsigned char Buffer[BlockSize];  // the first 248 bytes are used
  int Fill;
  int Offset;
  int Dirty;
};

// Size of the work buffer used to shift a stream's tail.
const uint32_t StreamShiftBufferSize = 30000;

int StreamOpen(BlockFile* b, StreamCursor* cursor, uint32_t firstBlock);
int StreamCreate(BlockFile* b, StreamCursor* cursor);
int StreamRead(BlockFile* b, StreamCursor* cursor, void* dest, uint32_t count);
int StreamWrite(BlockFile* b, StreamCursor* cursor, const void* source, uint32_t count);
int StreamSeek(BlockFile* b, StreamCursor* cursor, uint32_t target);
int StreamFlushBlock(BlockFile* b, StreamCursor* cursor);
int StreamLoadBlock(BlockFile* b, StreamCursor* cursor, uint32_t block);
void StreamClose(BlockFile* b, StreamCursor* cursor);
int StreamRemoveBytes(BlockFile* b, StreamCursor* cursor, uint32_t position, uint32_t count);
