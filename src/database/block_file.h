// BlockFile: the blocks of one open database file, the layer every stream
// reads and writes through. It reads and writes 256-byte blocks (through the
// read-ahead runs for read-only opens, where they lie for a snapshot),
// allocates blocks, keeps the header fields in memory and knows how many
// blocks the file holds. Callers hold the database's lock.
//
// What lies above learns of changes without being called: Generation grows
// with every block written and whenever a read-only open finds the file
// changed, and whatever was read from the blocks before (a kept children
// table) is good only while Generation is what it was.
//
// Reuse of freed blocks comes from the free-block stream, a stream and so a
// layer up: it is plugged in as a FreeBlockSource, which AllocateBlock asks
// before it appends.
#pragma once
#include <stdint.h>

#include "database/database_format.h"
#include "database/file_manager.h"
#include "database/read_ahead.h"

const int NoFile = -1;
// Not a multiple of the block size, so it never equals a real block offset:
// the next block access seeks.
const uint32_t UnknownFilePosition = 0xFFFFFFFFu;

// Where AllocateBlock finds a block to reuse (free_block_stream.h).
class FreeBlockSource {
 public:
  // A block number, or 0 when none can be taken.
  virtual uint32_t TakeFreeBlock() = 0;

 protected:
  ~FreeBlockSource() {}
};

struct BlockFile {
  unsigned char Header[HeaderUsedBytes];
  FileManager* Files = nullptr;
  int File = NoFile;  // NoFile after an upgrade whose read-only reopen failed
  int Mode = OpenReadOnly;
  uint32_t FilePosition = UnknownFilePosition;
  // Blocks the file held when last measured: the bound of object ids (the
  // header's count lags while the main program has the file open).
  uint32_t FileBlocks = 0;
  // A snapshot's bytes (file_snapshot.h), or null for a file on disk. A
  // snapshot never changes: its blocks are read in place and never looked at
  // again for freshness.
  const unsigned char* Image = nullptr;
  // The file as the read-only open last saw it.
  OpenFileStamp Stamp = {0, 0};
  int StampKnown = 0;
  ReadWindows Windows;
  unsigned long Generation = 0;
  FreeBlockSource* FreeBlocks = nullptr;  // null: allocation only appends

  BlockFile();
  BlockFile(const BlockFile&) = delete;
  BlockFile& operator=(const BlockFile&) = delete;

  uint32_t HeaderField(size_t offset) const { return GetU32(Header + offset); }
  void SetHeaderField(size_t offset, uint32_t value) { PutU32(Header + offset, value); }
  uint32_t BlockCount() const { return HeaderField(HeaderBlockCountOffset); }
  void SetBlockCount(uint32_t value) { SetHeaderField(HeaderBlockCountOffset, value); }
  uint32_t FreeBlockCount() const { return HeaderField(HeaderFreeBlockCountOffset); }
  void SetFreeBlockCount(uint32_t value) { SetHeaderField(HeaderFreeBlockCountOffset, value); }
};

// Reading never goes past what the file holds, and blocks whose offset does
// not fit 32 bits are refused. 0, or -1.
int ReadBlock(BlockFile* b, uint32_t block, unsigned char dest[BlockSize]);
int WriteBlock(BlockFile* b, uint32_t block, const unsigned char source[BlockSize]);
// A block from the free-block source, or a zeroed block appended at
// BlockCount; its number, or -1.
int AllocateBlock(BlockFile* b);

// Measures how many blocks the file holds now (FileBlocks).
void MeasureFileBlocks(BlockFile* b);
// The same from a size just measured (-1: unknown, none held).
void SetFileBlocks(BlockFile* b, int64_t size);
// Whether the file holds block n (measured again when needed): what bounds
// object ids. The header's count is no bound: it lags behind a writer that
// still has the file open, and runs ahead of a file cut short.
bool BlockInFile(BlockFile* b, uint32_t n);

// Notes the file's stamp, as an open reads it.
void NoteFileStamp(BlockFile* b);
// What each operation of a read-only open does first, once however many
// blocks it reads: compares the file's size and last-write time with those
// it had; on a change (or when they cannot be told) the runs are forgotten,
// Generation moves on, and ids are bounded by the file's new size, so a
// long-lived reader sees what the file now holds and nothing past its end.
void NoticeFileChange(BlockFile* b);
