// Block I/O, stream cursors and block allocation.
#include "database/stream_cursor.h"

#include <string.h>

#include <new>

#include "database/database_file.h"
#include "database/database_manager.h"
#include "database/file_manager.h"

namespace {

unsigned long g_blockReads = 0;
unsigned long g_fileReads = 0;

uint32_t BlockOffset(uint32_t block) { return (block + 1) * BlockSize; }

int SeekToBlock(DatabaseFile* db, uint32_t block) {
  uint32_t offset = BlockOffset(block);
  if (db->FilePosition == offset) return 0;
  if (db->Files->FileSeek(db->File, 0, offset) != 0) {
    db->FilePosition = UnknownFilePosition;
    return -1;
  }
  db->FilePosition = offset;
  return 0;
}

int FillForCurrentBlock(const StreamCursor* c) {
  return c->NextBlock != 0 ? (int)BlockPayloadSize : (int)(c->Length % BlockPayloadSize);
}

// Replaces the buffered block with the successor of the current one. On read
// paths the link is checked: block 0 never follows another block, a chain never
// returns to its first block, and a successor names its predecessor. Only a
// last block may carry 0 there instead (linked, but never written back before a
// crash); it cannot be part of a loop. So every loop is caught where it closes.
int MoveToNextBlock(DatabaseFile* db, StreamCursor* c, bool checkLinks) {
  uint32_t next = c->NextBlock;
  if (next == 0) return -1;
  unsigned char block[BlockSize];
  if (checkLinks && next == c->FirstBlock) return -1;
  if (ReadBlock(db, next, block) != 0) return -1;
  if (checkLinks) {
    uint32_t previous = GetU32(block + BlockFirstWordOffset);
    bool last = GetU32(block + BlockNextOffset) == 0;
    if (previous != c->CurrentBlock && !(last && previous == 0)) return -1;
  }
  c->PreviousBlock = c->CurrentBlock;
  c->CurrentBlock = next;
  c->NextBlock = GetU32(block + BlockNextOffset);
  memcpy(c->Buffer, block + BlockPayloadOffset, BlockPayloadSize);
  c->Offset = 0;
  c->Fill = FillForCurrentBlock(c);
  return 0;
}

int FlushIfDirty(DatabaseFile* db, StreamCursor* c) {
  return c->Dirty ? StreamFlushBlock(db, c) : 0;
}

}  // namespace

void CountFileRead(uint32_t blocks) {
  __atomic_fetch_add(&g_blockReads, (unsigned long)blocks, __ATOMIC_RELAXED);
  __atomic_fetch_add(&g_fileReads, 1ul, __ATOMIC_RELAXED);
}
unsigned long DatabaseBlockReads() { return __atomic_load_n(&g_blockReads, __ATOMIC_RELAXED); }
unsigned long DatabaseFileReads() { return __atomic_load_n(&g_fileReads, __ATOMIC_RELAXED); }
void ResetDatabaseBlockReads() {
  __atomic_store_n(&g_blockReads, 0ul, __ATOMIC_RELAXED);
  __atomic_store_n(&g_fileReads, 0ul, __ATOMIC_RELAXED);
}

void MeasureFileBlocks(DatabaseFile* db) {
  SetFileBlocks(db, db->File == NoFile ? -1 : db->Files->FileSize(db->File));
}

void SetFileBlocks(DatabaseFile* db, int64_t size) {
  if (size < (int64_t)(HeaderUnitSize + BlockSize)) {
    db->FileBlocks = 0;
    return;
  }
  uint64_t blocks = (uint64_t)(size - HeaderUnitSize) / BlockSize;
  db->FileBlocks = blocks > (uint64_t)MaxBlockNumber + 1 ? MaxBlockNumber + 1 : (uint32_t)blocks;
}

bool ObjectIdInFile(DatabaseFile* db, uint32_t id) {
  if (id > MaxBlockNumber) return false;
  if (id < db->FileBlocks) return true;
  // The file may have grown since it was measured.
  MeasureFileBlocks(db);
  return id < db->FileBlocks;
}

// Chains are bounded by what the file holds (a short read), not by the
// header's count, which lags behind a writer that still has the file open.
int ReadBlock(DatabaseFile* db, uint32_t block, unsigned char dest[BlockSize]) {
  if (db->File == NoFile) return -1;
  if (block > MaxBlockNumber) return -1;
  if (db->Image) {
    if (block >= db->FileBlocks) return -1;
    memcpy(dest, db->Image + BlockOffset(block), BlockSize);
    return 0;
  }
  if (db->Mode == OpenReadOnly) {
    int ahead = ReadBlockAhead(db, block, dest);
    if (ahead <= 0) return ahead;
  }
  if (SeekToBlock(db, block) != 0) return -1;
  CountFileRead(1);
  if (db->Files->FileRead(db->File, dest, BlockSize) != (int)BlockSize) {
    db->FilePosition = UnknownFilePosition;
    return -1;
  }
  db->FilePosition += BlockSize;
  return 0;
}

int WriteBlock(DatabaseFile* db, uint32_t block, const unsigned char source[BlockSize]) {
  if (db->File == NoFile || db->Mode == OpenReadOnly) return -1;
  if (block > MaxBlockNumber) return -1;
  // Which object owns the block is not known here; kept tables may describe it.
  DropChildTables(db);
  if (SeekToBlock(db, block) != 0) return -1;
  if (db->Files->FileWrite(db->File, source, BlockSize) != (int)BlockSize) {
    db->FilePosition = UnknownFilePosition;
    return -1;
  }
  db->FilePosition += BlockSize;
  if (block + 1 > db->BlockCount()) db->SetBlockCount(block + 1);
  return 0;
}

int AllocateBlock(DatabaseFile* db) {
  uint32_t reused = TakeFreeBlock(db);
  if (reused != 0) return (int)reused;
  uint32_t n = db->BlockCount();
  if (n > MaxBlockNumber) return -1;
  db->SetBlockCount(n + 1);
  unsigned char zeros[BlockSize];
  memset(zeros, 0, sizeof zeros);
  if (WriteBlock(db, n, zeros) != 0) return -1;
  return (int)n;
}

uint32_t TakeFreeBlock(DatabaseFile* db) {
  // Shifting the free-block stream may itself allocate in a damaged file; such
  // a nested request appends instead of recursing.
  if (db->FreeBlockCount() == 0 || db->TakingFreeBlock || !db->FreeCursorOpen) return 0;
  db->TakingFreeBlock = 1;
  StreamCursor* c = &db->FreeCursor;
  unsigned char entry[4];
  uint32_t block = 0;
  if (StreamSeek(db, c, 0) == 0 && StreamRead(db, c, entry, sizeof entry) == (int)sizeof entry &&
      StreamRemoveBytes(db, c, sizeof entry, sizeof entry) == 0) {
    db->SetFreeBlockCount(db->FreeBlockCount() - 1);
    block = GetU32(entry);
    // An entry beyond the file would grow it to that block; append instead.
    if (block >= db->BlockCount()) block = 0;
  }
  db->TakingFreeBlock = 0;
  return block;
}

int StreamOpen(DatabaseFile* db, StreamCursor* c, uint32_t firstBlock) {
  memset(c, 0, sizeof *c);
  c->FirstBlock = c->CurrentBlock = firstBlock;
  unsigned char block[BlockSize];
  if (ReadBlock(db, firstBlock, block) != 0) return -1;
  c->Length = GetU32(block + BlockFirstWordOffset);
  c->NextBlock = GetU32(block + BlockNextOffset);
  memcpy(c->Buffer, block + BlockPayloadOffset, BlockPayloadSize);
  c->Fill = (int)(c->Length < BlockPayloadSize ? c->Length : BlockPayloadSize);
  return 0;
}

int StreamCreate(DatabaseFile* db, StreamCursor* c) {
  memset(c, 0, sizeof *c);
  int block = AllocateBlock(db);
  if (block < 0) return -1;
  c->FirstBlock = c->CurrentBlock = (uint32_t)block;
  return block;
}

int StreamLoadBlock(DatabaseFile* db, StreamCursor* c, uint32_t blockNumber) {
  if (blockNumber == 0 && c->FirstBlock != 0) return -1;  // 0 only ever starts a chain
  unsigned char block[BlockSize];
  if (ReadBlock(db, blockNumber, block) != 0) return -1;
  c->PreviousBlock = blockNumber == c->FirstBlock ? 0 : GetU32(block + BlockFirstWordOffset);
  c->NextBlock = GetU32(block + BlockNextOffset);
  c->CurrentBlock = blockNumber;
  memcpy(c->Buffer, block + BlockPayloadOffset, BlockPayloadSize);
  return 0;
}

int StreamFlushBlock(DatabaseFile* db, StreamCursor* c) {
  unsigned char block[BlockSize];
  PutU32(block + BlockFirstWordOffset, c->CurrentBlock == c->FirstBlock ? c->Length : c->PreviousBlock);
  PutU32(block + BlockNextOffset, c->NextBlock);
  memcpy(block + BlockPayloadOffset, c->Buffer, BlockPayloadSize);
  if (WriteBlock(db, c->CurrentBlock, block) != 0) return -1;
  c->Dirty = 0;
  return 0;
}

int StreamRead(DatabaseFile* db, StreamCursor* c, void* dest, uint32_t count) {
  unsigned char* out = static_cast<unsigned char*>(dest);
  uint32_t total = 0;
  while (count > 0 && c->Position < c->Length) {
    int available = c->Fill - c->Offset;
    if (available <= 0) {
      if (FlushIfDirty(db, c) != 0) return -1;
      // Bytes are still due: a chain that stops here is shorter than its length.
      if (c->NextBlock == 0) return -1;
      if (MoveToNextBlock(db, c, true) != 0) return -1;
      if (c->Fill == 0) return -1;
      available = c->Fill;
    }
    uint32_t n = (uint32_t)available;
    if (n > count) n = count;
    if (n > c->Length - c->Position) n = c->Length - c->Position;
    memcpy(out + total, c->Buffer + c->Offset, n);
    c->Position += n;
    c->Offset += (int)n;
    total += n;
    count -= n;
  }
  if (c->Offset == (int)BlockPayloadSize && c->NextBlock != 0) {
    if (FlushIfDirty(db, c) != 0) return -1;
    if (MoveToNextBlock(db, c, true) != 0) return -1;
  }
  return (int)total;
}

int StreamWrite(DatabaseFile* db, StreamCursor* c, const void* source, uint32_t count) {
  const unsigned char* in = static_cast<const unsigned char*>(source);
  uint32_t total = 0;
  if ((uint32_t)c->Offset + count >= BlockPayloadSize) {
    do {
      uint32_t room = BlockPayloadSize - (uint32_t)c->Offset;
      if (room > 0) {
        memcpy(c->Buffer + c->Offset, in + total, room);
        c->Offset += (int)room;
        c->Position += room;
        total += room;
        count -= room;
      }
      bool fresh = false;
      if (c->NextBlock == 0) {
        int block = AllocateBlock(db);
        if (block <= 0) return -1;
        c->NextBlock = (uint32_t)block;
        fresh = true;
      }
      if (StreamFlushBlock(db, c) != 0) return -1;
      if (MoveToNextBlock(db, c, false) != 0) return -1;
      // A reused free block still carries the link of the chain it left, which
      // may lead anywhere, even back to itself: a new block ends the chain.
      if (fresh) c->NextBlock = 0;
      if (c->Position > c->Length) c->Length = c->Position;
      c->Fill = FillForCurrentBlock(c);
    } while (count >= BlockPayloadSize);
  }
  memcpy(c->Buffer + c->Offset, in + total, count);
  c->Offset += (int)count;
  if (c->Fill < c->Offset) c->Fill = c->Offset;
  c->Position += count;
  if (c->Position > c->Length) c->Length = c->Position;
  c->Dirty = 1;
  return (int)(total + count);
}

int StreamSeek(DatabaseFile* db, StreamCursor* c, uint32_t target) {
  if (target == c->Position) return 0;
  if (target > c->Length) target = c->Length;
  // The cursor's own block: after a failed move the offset stays at the end of
  // the block, and Position / 248 would name the next one.
  uint32_t current = (c->Position - (uint32_t)c->Offset) / BlockPayloadSize;
  uint32_t wanted = target / BlockPayloadSize;
  if (current < wanted) {
    if (FlushIfDirty(db, c) != 0) return -1;
    for (uint32_t i = current; i < wanted; ++i) {
      if (MoveToNextBlock(db, c, true) != 0) return -1;
    }
  } else if (current > wanted) {
    if (FlushIfDirty(db, c) != 0) return -1;
    if (current / 2 > wanted) {
      if (StreamLoadBlock(db, c, c->FirstBlock) != 0) return -1;
      for (uint32_t i = 0; i < wanted; ++i) {
        if (MoveToNextBlock(db, c, true) != 0) return -1;
      }
    } else {
      for (uint32_t i = wanted; i < current; ++i) {
        uint32_t from = c->CurrentBlock;
        if (from == c->FirstBlock) return -1;  // walked back past the start
        if (StreamLoadBlock(db, c, c->PreviousBlock) != 0) return -1;
        if (c->NextBlock != from) return -1;  // the back link does not lead home
      }
    }
  }
  c->Position = target;
  c->Offset = (int)(target % BlockPayloadSize);
  c->Fill = FillForCurrentBlock(c);
  return 0;
}

void StreamClose(DatabaseFile* db, StreamCursor* c) {
  if (c->Dirty) StreamFlushBlock(db, c);
  if (db->Mode == OpenReadOnly || db->File == NoFile) return;
  unsigned char block[BlockSize];
  if (ReadBlock(db, c->FirstBlock, block) != 0) return;
  PutU32(block + BlockFirstWordOffset, c->Length);
  WriteBlock(db, c->FirstBlock, block);
}

int StreamRemoveBytes(DatabaseFile* db, StreamCursor* c, uint32_t position, uint32_t count) {
  if (count == 0) return 0;
  if (count > position || position > c->Length) return -1;
  unsigned char* work = new (std::nothrow) unsigned char[StreamShiftBufferSize];
  if (!work) return -1;
  uint32_t remaining = c->Length - position;
  uint32_t from = position;
  int result = 0;
  while (remaining > 0) {
    uint32_t want = remaining < StreamShiftBufferSize ? remaining : StreamShiftBufferSize;
    if (StreamSeek(db, c, from) != 0) { result = -1; break; }
    int got = StreamRead(db, c, work, want);
    if (got < 0) { result = -1; break; }
    if (got == 0) break;
    if (StreamSeek(db, c, from - count) != 0 || StreamWrite(db, c, work, (uint32_t)got) != got) {
      result = -1;
      break;
    }
    from += (uint32_t)got;
    remaining -= (uint32_t)got;
  }
  delete[] work;
  if (result == 0) c->Length -= count;
  return result;
}
