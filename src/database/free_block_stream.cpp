// Opening, creating and taking from the free-block stream.
#include "database/free_block_stream.h"

bool FreeBlockStream::Open() {
  open_ = StreamOpen(blocks_, &cursor_, blocks_->HeaderField(HeaderFreeListBlockOffset)) == 0;
  blocks_->FreeBlocks = open_ ? this : nullptr;
  return open_;
}

bool FreeBlockStream::Create() {
  blocks_->FreeBlocks = nullptr;
  int first = StreamCreate(blocks_, &cursor_);
  open_ = first >= 0;
  if (!open_) return false;
  blocks_->SetHeaderField(HeaderFreeListBlockOffset, (uint32_t)first);
  blocks_->FreeBlocks = this;
  return true;
}

void FreeBlockStream::Close() {
  if (open_ && blocks_->File != NoFile) StreamClose(blocks_, &cursor_);
  open_ = false;
  blocks_->FreeBlocks = nullptr;
}

uint32_t FreeBlockStream::TakeFreeBlock() {
  // Shifting the free-block stream may itself allocate in a damaged file; such
  // a nested request appends instead of recursing.
  if (blocks_->FreeBlockCount() == 0 || taking_ || !open_) return 0;
  taking_ = true;
  unsigned char entry[4];
  uint32_t block = 0;
  if (StreamSeek(blocks_, &cursor_, 0) == 0 && StreamRead(blocks_, &cursor_, entry, sizeof entry) == (int)sizeof entry &&
      StreamRemoveBytes(blocks_, &cursor_, sizeof entry, sizeof entry) == 0) {
    blocks_->SetFreeBlockCount(blocks_->FreeBlockCount() - 1);
    block = GetU32(entry);
    // An entry beyond the file would grow it to that block; append instead.
    if (block >= blocks_->BlockCount()) block = 0;
  }
  taking_ = false;
  return block;
}
