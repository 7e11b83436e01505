// Stream cursors over block chains.
#include "database/stream_cursor.h"

#include <string.h>

#include <new>

namespace {

int FillForCurrentBlock(const StreamCursor* c) {
  return c->NextBlock != 0 ? (int)BlockPayloadSize : (int)(c->Length % BlockPayloadSize);
}

// Replaces the buffered block with the successor of the current one. On read
// paths the link is checked: block 0 never follows another block, a chain never
// returns to its first block, and a successor names its predecessor. Only a
// last block may carry 0 there instead (linked, but never written back before a
// crash); it cannot be part of a loop. So every loop is caught where it closes.
int MoveToNextBlock(BlockFile* b, StreamCursor* c, bool checkLinks) {
  uint32_t next = c->NextBlock;
  if (next == 0) return -1;
  unsigned char block[BlockSize];
  if (checkLinks && next == c->FirstBlock) return -1;
  if (ReadBlock(b, next, block) != 0) return -1;
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

int FlushIfDirty(BlockFile* b, StreamCursor* c) {
  return c->Dirty ? StreamFlushBlock(b, c) : 0;
}

}  // namespace

int StreamOpen(BlockFile* b, StreamCursor* c, uint32_t firstBlock) {
  memset(c, 0, sizeof *c);
  c->FirstBlock = c->CurrentBlock = firstBlock;
  unsigned char block[BlockSize];
  if (ReadBlock(b, firstBlock, block) != 0) return -1;
  c->Length = GetU32(block + BlockFirstWordOffset);
  c->NextBlock = GetU32(block + BlockNextOffset);
  memcpy(c->Buffer, block + BlockPayloadOffset, BlockPayloadSize);
  c->Fill = (int)(c->Length < BlockPayloadSize ? c->Length : BlockPayloadSize);
  return 0;
}

int StreamCreate(BlockFile* b, StreamCursor* c) {
  memset(c, 0, sizeof *c);
  int block = AllocateBlock(b);
  if (block < 0) return -1;
  c->FirstBlock = c->CurrentBlock = (uint32_t)block;
  return block;
}

int StreamLoadBlock(BlockFile* b, StreamCursor* c, uint32_t blockNumber) {
  if (blockNumber == 0 && c->FirstBlock != 0) return -1;  // 0 only ever starts a chain
  unsigned char block[BlockSize];
  if (ReadBlock(b, blockNumber, block) != 0) return -1;
  c->PreviousBlock = blockNumber == c->FirstBlock ? 0 : GetU32(block + BlockFirstWordOffset);
  c->NextBlock = GetU32(block + BlockNextOffset);
  c->CurrentBlock = blockNumber;
  memcpy(c->Buffer, block + BlockPayloadOffset, BlockPayloadSize);
  return 0;
}

int StreamFlushBlock(BlockFile* b, StreamCursor* c) {
  unsigned char block[BlockSize];
  PutU32(block + BlockFirstWordOffset, c->CurrentBlock == c->FirstBlock ? c->Length : c->PreviousBlock);
  PutU32(block + BlockNextOffset, c->NextBlock);
  memcpy(block + BlockPayloadOffset, c->Buffer, BlockPayloadSize);
  if (WriteBlock(b, c->CurrentBlock, block) != 0) return -1;
  c->Dirty = 0;
  return 0;
}

int StreamRead(BlockFile* b, StreamCursor* c, void* dest, uint32_t count) {
  unsigned char* out = static_cast<unsigned char*>(dest);
  uint32_t total = 0;
  while (count > 0 && c->Position < c->Length) {
    int available = c->Fill - c->Offset;
    if (available <= 0) {
      if (FlushIfDirty(b, c) != 0) return -1;
      // Bytes are still due: a chain that stops here is shorter than its length.
      if (c->NextBlock == 0) return -1;
      if (MoveToNextBlock(b, c, true) != 0) return -1;
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
    if (FlushIfDirty(b, c) != 0) return -1;
    if (MoveToNextBlock(b, c, true) != 0) return -1;
  }
  return (int)total;
}

int StreamWrite(BlockFile* b, StreamCursor* c, const void* source, uint32_t count) {
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
        int block = AllocateBlock(b);
        if (block <= 0) return -1;
        c->NextBlock = (uint32_t)block;
        fresh = true;
      }
      if (StreamFlushBlock(b, c) != 0) return -1;
      if (MoveToNextBlock(b, c, false) != 0) return -1;
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

int StreamSeek(BlockFile* b, StreamCursor* c, uint32_t target) {
  if (target == c->Position) return 0;
  if (target > c->Length) target = c->Length;
  // The cursor's own block: after a failed move the offset stays at the end of
  // the block, and Position / 248 would name the next one.
  uint32_t current = (c->Position - (uint32_t)c->Offset) / BlockPayloadSize;
  uint32_t wanted = target / BlockPayloadSize;
  if (current < wanted) {
    if (FlushIfDirty(b, c) != 0) return -1;
    for (uint32_t i = current; i < wanted; ++i) {
      if (MoveToNextBlock(b, c, true) != 0) return -1;
    }
  } else if (current > wanted) {
    if (FlushIfDirty(b, c) != 0) return -1;
    if (current / 2 > wanted) {
      if (StreamLoadBlock(b, c, c->FirstBlock) != 0) return -1;
      for (uint32_t i = 0; i < wanted; ++i) {
        if (MoveToNextBlock(b, c, true) != 0) return -1;
      }
    } else {
      for (uint32_t i = wanted; i < current; ++i) {
        uint32_t from = c->CurrentBlock;
        if (from == c->FirstBlock) return -1;  // walked back past the start
        if (StreamLoadBlock(b, c, c->PreviousBlock) != 0) return -1;
        if (c->NextBlock != from) return -1;  // the back link does not lead home
      }
    }
  }
  c->Position = target;
  c->Offset = (int)(target % BlockPayloadSize);
  c->Fill = FillForCurrentBlock(c);
  return 0;
}

void StreamClose(BlockFile* b, StreamCursor* c) {
  if (c->Dirty) StreamFlushBlock(b, c);
  if (b->Mode == OpenReadOnly || b->File == NoFile) return;
  unsigned char block[BlockSize];
  if (ReadBlock(b, c->FirstBlock, block) != 0) return;
  PutU32(block + BlockFirstWordOffset, c->Length);
  WriteBlock(b, c->FirstBlock, block);
}

int StreamRemoveBytes(BlockFile* b, StreamCursor* c, uint32_t position, uint32_t count) {
  if (count == 0) return 0;
  if (count > position || position > c->Length) return -1;
  unsigned char* work = new (std::nothrow) unsigned char[StreamShiftBufferSize];
  if (!work) return -1;
  uint32_t remaining = c->Length - position;
  uint32_t from = position;
  int result = 0;
  while (remaining > 0) {
    uint32_t want = remaining < StreamShiftBufferSize ? remaining : StreamShiftBufferSize;
    if (StreamSeek(b, c, from) != 0) { result = -1; break; }
    int got = StreamRead(b, c, work, want);
    if (got < 0) { result = -1; break; }
    if (got == 0) break;
    if (StreamSeek(b, c, from - count) != 0 || StreamWrite(b, c, work, (uint32_t)got) != got) {
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
