// Reads and seeks over bytes the opener holds, one position per open file as
// the system keeps one for a file.
#include "platform/memory_file.h"

#include <string.h>

int MemoryFile::Read(void* dest, unsigned count) {
  if (!dest && count > 0) return -1;
  if (position_ >= size_) return 0;
  uint64_t left = size_ - position_;
  // A count is reported as an int.
  if (count > 0x7FFFFFFFu) count = 0x7FFFFFFFu;
  size_t n = left < count ? (size_t)left : (size_t)count;
  memcpy(dest, bytes_ + position_, n);
  position_ += n;
  return (int)n;
}

int MemoryFile::Write(const void*, unsigned) { return FileErrorNothingWritten; }

int MemoryFile::Seek(uint64_t position) {
  // As on a real file, a position past the end is allowed; reads there get 0.
  position_ = position;
  return 0;
}

int MemoryFile::Stamp(OpenFileStamp* stamp) {
  if (!stamp) return -1;
  stamp->Size = (int64_t)size_;
  stamp->LastWrite = 0;  // never changes
  return 0;
}
