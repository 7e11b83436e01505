// DatabaseFile: the in-memory record of one open database path, shared by all
// opens of that path and owned by the open-database table.
#pragma once
#include <stdint.h>

#include "database/child_table.h"
#include "database/database_format.h"
#include "database/read_ahead.h"
#include "database/stream_cursor.h"
#include "platform/recursive_lock.h"

class FileManager;
struct CachedObject;

// Room for the path as given to the first open.
const int DatabasePathBufferSize = 1140;
const int NoFile = -1;
// Not a multiple of the block size, so it never equals a real block offset:
// the next block access seeks.
const uint32_t UnknownFilePosition = 0xFFFFFFFFu;
const int SpareObjectLimit = 4;

struct DatabaseFile {
  unsigned char Header[HeaderUsedBytes];
  int File;  // NoFile after an upgrade whose read-only reopen failed
  char Path[DatabasePathBufferSize];
  int ReferenceCount;
  int Mode;
  RecursiveLock Lock;
  uint32_t FilePosition;
  CachedObject* CacheHead;
  CachedObject* CacheTail;
  CachedObject* Spares;  // dropped records kept for the next loads, by Next
  int SpareCount;
  StreamCursor FreeCursor;
  // Whether FreeCursor is open. Read-only opens never allocate and leave it
  // closed, so that a damaged free-block stream does not keep readers out.
  int FreeCursorOpen;
  FileManager* Files;
  int TakingFreeBlock;  // guards against allocation re-entering itself
  // Blocks the file held when last measured: the bound of object ids (the
  // header's count lags while the main program has the file open).
  uint32_t FileBlocks;
  ReadWindow Windows[ReadWindowCount];
  // The file as the read-only open last saw it (see read_ahead.h).
  OpenFileStamp Stamp;
  // A snapshot's bytes (file_snapshot.h), or null for a file on disk. A
  // snapshot never changes: its blocks are read in place and never looked at
  // again for freshness, and no open by path ever shares its record.
  const unsigned char* Image;
  int StampKnown;
  ChildTable Tables[ChildTableSlots];
  unsigned long UseClock;  // orders window and table uses

  DatabaseFile();
  ~DatabaseFile();
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;

  uint32_t HeaderField(size_t offset) const { return GetU32(Header + offset); }
  void SetHeaderField(size_t offset, uint32_t value) { PutU32(Header + offset, value); }
  uint32_t BlockCount() const { return HeaderField(HeaderBlockCountOffset); }
  void SetBlockCount(uint32_t value) { SetHeaderField(HeaderBlockCountOffset, value); }
  uint32_t FreeBlockCount() const { return HeaderField(HeaderFreeBlockCountOffset); }
  void SetFreeBlockCount(uint32_t value) { SetHeaderField(HeaderFreeBlockCountOffset, value); }
};

// The open database behind a handle, or null for a bad handle or an empty slot.
// Read without the table's lock slot, as every object operation does.
DatabaseFile* LookUpDatabase(int handle);
