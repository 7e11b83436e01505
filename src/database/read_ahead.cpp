// Read-ahead runs of one read-only database: which run holds a block, which
// run gives way, and reading a run.
#include "database/read_ahead.h"

#include <string.h>

#include <new>

#include "database/file_manager.h"
#include "database/read_counters.h"

ReadWindows::ReadWindows() : useClock_(0) { memset(windows_, 0, sizeof windows_); }

ReadWindow* ReadWindows::Holding(uint32_t block) {
  for (ReadWindow& w : windows_)
    if (w.Bytes && w.Count > 0 && block >= w.First && block - w.First < w.Count) return &w;
  return nullptr;
}

ReadWindow* ReadWindows::ToFill() {
  ReadWindow* oldest = &windows_[0];
  for (ReadWindow& w : windows_) {
    if (w.Count == 0) return &w;
    if (w.LastUse < oldest->LastUse) oldest = &w;
  }
  return oldest;
}

int ReadWindows::Read(FileManager& files, int file, uint32_t block, unsigned char dest[BlockSize], bool* movedFile) {
  ReadWindow* w = Holding(block);
  if (!w) {
    w = ToFill();
    if (!w->Bytes) {
      w->Bytes = new (std::nothrow) unsigned char[(size_t)ReadWindowBlocks * BlockSize];
      if (!w->Bytes) return 1;
    }
    w->Count = 0;
    w->First = block - block % ReadWindowBlocks;
    // The last run may stop short of a full window at the 32-bit offset limit.
    uint32_t blocks = ReadWindowBlocks;
    if (w->First + blocks - 1 > MaxBlockNumber) blocks = MaxBlockNumber - w->First + 1;
    *movedFile = true;
    if (files.FileSeek(file, 0, (w->First + 1) * BlockSize) != 0) return -1;
    int got = files.FileRead(file, w->Bytes, blocks * BlockSize);
    if (got < 0) return -1;
    w->Count = (uint32_t)got / BlockSize;
    CountFileRead(w->Count);
    if (block - w->First >= w->Count) return -1;  // the file ends before it
  }
  w->LastUse = ++useClock_;
  memcpy(dest, w->Bytes + (size_t)(block - w->First) * BlockSize, BlockSize);
  return 0;
}

void ReadWindows::Forget() {
  for (ReadWindow& w : windows_) w.Count = 0;
}

void ReadWindows::Free() {
  for (ReadWindow& w : windows_) {
    delete[] w.Bytes;
    w.Bytes = nullptr;
    w.Count = 0;
  }
}
