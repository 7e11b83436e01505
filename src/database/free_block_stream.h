// The free-block stream of one open database: FreeBlockCount block numbers
// (u32 each) of blocks that may be reused, taken from its front. Writers open
// it and plug it into their block file as the source AllocateBlock asks
// first; read-only opens never allocate and leave it closed, so that a
// damaged free-block stream does not keep readers out. Callers hold the
// database's lock.
#pragma once
#include <stdint.h>

#include "database/block_file.h"
#include "database/stream_cursor.h"

class FreeBlockStream : public FreeBlockSource {
 public:
  explicit FreeBlockStream(BlockFile* blocks) : blocks_(blocks) {}
  FreeBlockStream(const FreeBlockStream&) = delete;
  FreeBlockStream& operator=(const FreeBlockStream&) = delete;

  // Opens the stream the header's FreeListBlock names; false when it cannot
  // be read (then the block file allocates by appending only).
  bool Open();
  // A new empty stream for a new file, its block stored as FreeListBlock (in
  // memory); false when no block could be had.
  bool Create();
  // Brings the stream's length word up to date (writers) and unplugs it.
  void Close();
  bool IsOpen() const { return open_; }

  // The entry at the stream's front, removed from it; 0 when there is none,
  // when taking fails, or when the entry lies beyond the file (a stored 0
  // counts as none too, and the block file appends).
  uint32_t TakeFreeBlock() override;

 private:
  BlockFile* blocks_;
  StreamCursor cursor_ = {};
  bool open_ = false;
  bool taking_ = false;  // guards against allocation re-entering itself
};
