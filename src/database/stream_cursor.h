// Streams: byte sequences stored in chains of 256-byte blocks. Block I/O of one
// open database, the StreamCursor that reads, writes and positions within a
// stream with one block buffered, tail shifting, and block allocation from the
// free-block stream. Callers hold the database's lock.
//
// Reading never goes past a stream's length, and a chain that ends, loops or
// leaves the file before its length says makes the read fail (-1).
#pragma once
#include <stdint.h>

#include "database/database_format.h"

struct DatabaseFile;

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

int ReadBlock(DatabaseFile* db, uint32_t block, unsigned char dest[BlockSize]);
int WriteBlock(DatabaseFile* db, uint32_t block, const unsigned char source[BlockSize]);
int AllocateBlock(DatabaseFile* db);
uint32_t TakeFreeBlock(DatabaseFile* db);

int StreamOpen(DatabaseFile* db, StreamCursor* cursor, uint32_t firstBlock);
int StreamCreate(DatabaseFile* db, StreamCursor* cursor);
int StreamRead(DatabaseFile* db, StreamCursor* cursor, void* dest, uint32_t count);
int StreamWrite(DatabaseFile* db, StreamCursor* cursor, const void* source, uint32_t count);
int StreamSeek(DatabaseFile* db, StreamCursor* cursor, uint32_t target);
int StreamFlushBlock(DatabaseFile* db, StreamCursor* cursor);
int StreamLoadBlock(DatabaseFile* db, StreamCursor* cursor, uint32_t block);
void StreamClose(DatabaseFile* db, StreamCursor* cursor);
int StreamRemoveBytes(DatabaseFile* db, StreamCursor* cursor, uint32_t position, uint32_t count);

// Counts one read from the file of that many blocks (database_manager.h
// exposes the totals).
void CountFileRead(uint32_t blocks);
// Measures how many blocks the file holds now (DatabaseFile::FileBlocks).
void MeasureFileBlocks(DatabaseFile* db);
// The same from a size just measured (-1: unknown, none held).
void SetFileBlocks(DatabaseFile* db, int64_t size);
// Whether id can name an object: a block the file holds (measured again when
// needed). The header's count is no bound: it lags behind a writer that still
// has the file open, and runs ahead of a file cut short.
bool ObjectIdInFile(DatabaseFile* db, uint32_t id);
