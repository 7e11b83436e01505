// Read-ahead for read-only opens: blocks come from the file in aligned runs,
// and the last few runs stay in memory, so a settings load costs a few dozen
// system calls instead of one seek and one read per block. Writers never use
// it (their blocks change under them).
//
// Kept runs must not outlive the file they were read from: the block file
// (block_file.h) compares the file's stamp at the start of each operation and
// forgets the runs when the file changed.
#pragma once
#include <stdint.h>

#include "database/database_format.h"

class FileManager;

const int ReadWindowCount = 8;
const uint32_t ReadWindowBlocks = 128;  // 32 KB per run

struct ReadWindow {
  unsigned char* Bytes;  // ReadWindowBlocks blocks, or null before first use
  uint32_t First;        // block number of the first block held
  uint32_t Count;        // blocks the file held there when read
  unsigned long LastUse;
};

// The runs of one read-only open: which run holds a block, and which run
// gives way (the one used longest ago).
class ReadWindows {
 public:
  ReadWindows();
  ~ReadWindows() { Free(); }
  ReadWindows(const ReadWindows&) = delete;
  ReadWindows& operator=(const ReadWindows&) = delete;

  // Copies block from the run that holds it, reading the run from file
  // first when none does (then *movedFile is set: the file pointer stands
  // elsewhere). 0 with the block copied, -1 when the file does not hold it,
  // 1 when no memory for a run could be had (the caller reads the single
  // block instead).
  int Read(FileManager& files, int file, uint32_t block, unsigned char dest[BlockSize], bool* movedFile);
  // Forgets what the runs hold; their memory stays for the next reads.
  void Forget();
  // Gives the memory back too.
  void Free();

 private:
  ReadWindow* Holding(uint32_t block);
  ReadWindow* ToFill();

  ReadWindow windows_[ReadWindowCount];
  unsigned long useClock_;
};
