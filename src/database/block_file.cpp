// Block reads and writes, allocation, the file's size in blocks and the
// freshness of a read-only open.
#include "database/block_file.h"

#include <string.h>

#include "database/read_counters.h"

namespace {

uint32_t BlockOffset(uint32_t block) { return (block + 1) * BlockSize; }

int SeekToBlock(BlockFile* b, uint32_t block) {
  uint32_t offset = BlockOffset(block);
  if (b->FilePosition == offset) return 0;
  if (b->Files->FileSeek(b->File, 0, offset) != 0) {
    b->FilePosition = UnknownFilePosition;
    return -1;
  }
  b->FilePosition = offset;
  return 0;
}

}  // namespace

BlockFile::BlockFile() { memset(Header, 0, sizeof Header); }

void MeasureFileBlocks(BlockFile* b) {
  SetFileBlocks(b, b->File == NoFile ? -1 : b->Files->FileSize(b->File));
}

void SetFileBlocks(BlockFile* b, int64_t size) {
  if (size < (int64_t)(HeaderUnitSize + BlockSize)) {
    b->FileBlocks = 0;
    return;
  }
  uint64_t blocks = (uint64_t)(size - HeaderUnitSize) / BlockSize;
  b->FileBlocks = blocks > (uint64_t)MaxBlockNumber + 1 ? MaxBlockNumber + 1 : (uint32_t)blocks;
}

bool BlockInFile(BlockFile* b, uint32_t n) {
  if (n > MaxBlockNumber) return false;
  if (n < b->FileBlocks) return true;
  // The file may have grown since it was measured.
  MeasureFileBlocks(b);
  return n < b->FileBlocks;
}

// Chains are bounded by what the file holds (a short read), not by the
// header's count, which lags behind a writer that still has the file open.
int ReadBlock(BlockFile* b, uint32_t block, unsigned char dest[BlockSize]) {
  if (b->File == NoFile) return -1;
  if (block > MaxBlockNumber) return -1;
  if (b->Image) {
    if (block >= b->FileBlocks) return -1;
    memcpy(dest, b->Image + BlockOffset(block), BlockSize);
    return 0;
  }
  if (b->Mode == OpenReadOnly) {
    bool moved = false;
    int ahead = b->Windows.Read(*b->Files, b->File, block, dest, &moved);
    if (moved) b->FilePosition = UnknownFilePosition;
    if (ahead <= 0) return ahead;
  }
  if (SeekToBlock(b, block) != 0) return -1;
  CountFileRead(1);
  if (b->Files->FileRead(b->File, dest, BlockSize) != (int)BlockSize) {
    b->FilePosition = UnknownFilePosition;
    return -1;
  }
  b->FilePosition += BlockSize;
  return 0;
}

int WriteBlock(BlockFile* b, uint32_t block, const unsigned char source[BlockSize]) {
  if (b->File == NoFile || b->Mode == OpenReadOnly) return -1;
  if (block > MaxBlockNumber) return -1;
  // Which object owns the block is not known here; whatever was read of the
  // blocks before may describe it.
  ++b->Generation;
  if (SeekToBlock(b, block) != 0) return -1;
  if (b->Files->FileWrite(b->File, source, BlockSize) != (int)BlockSize) {
    b->FilePosition = UnknownFilePosition;
    return -1;
  }
  b->FilePosition += BlockSize;
  if (block + 1 > b->BlockCount()) b->SetBlockCount(block + 1);
  return 0;
}

int AllocateBlock(BlockFile* b) {
  uint32_t reused = b->FreeBlocks ? b->FreeBlocks->TakeFreeBlock() : 0;
  if (reused != 0) return (int)reused;
  uint32_t n = b->BlockCount();
  if (n > MaxBlockNumber) return -1;
  b->SetBlockCount(n + 1);
  unsigned char zeros[BlockSize];
  memset(zeros, 0, sizeof zeros);
  if (WriteBlock(b, n, zeros) != 0) return -1;
  return (int)n;
}

void NoteFileStamp(BlockFile* b) {
  b->StampKnown = b->Files->FileStamp(b->File, &b->Stamp) == 0;
  SetFileBlocks(b, b->StampKnown ? b->Stamp.Size : -1);
}

void NoticeFileChange(BlockFile* b) {
  if (b->Mode != OpenReadOnly || b->File == NoFile || b->Image) return;
  OpenFileStamp before = b->Stamp;
  bool known = b->StampKnown != 0;
  NoteFileStamp(b);
  if (known && b->StampKnown && b->Stamp == before) return;
  // Changed, or not to be told: what was read before may be stale.
  b->Windows.Forget();
  ++b->Generation;
}
