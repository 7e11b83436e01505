// Read-ahead for read-only opens: blocks come from the file in aligned runs,
// and the last few runs stay in memory, so a settings load costs a few dozen
// system calls instead of one seek and one read per block. Writers never use
// it (their blocks change under them).
//
// Kept runs must not outlive the file they were read from: at the start of
// each operation (once, however many blocks it reads) the file's size and
// last-write time are compared with those it had; on a change the runs and
// kept children tables are forgotten and ids are bounded by the file's new
// size, so a long-lived reader sees what the file now holds and nothing past
// its end. A snapshot (DatabaseFile::Image) needs neither: its blocks are
// read where they lie, and it never changes.
#pragma once
#include <stdint.h>

#include "database/database_format.h"
#include "database/file_manager.h"

struct DatabaseFile;

const int ReadWindowCount = 8;
const uint32_t ReadWindowBlocks = 128;  // 32 KB per run

struct ReadWindow {
  unsigned char* Bytes;  // ReadWindowBlocks blocks, or null before first use
  uint32_t First;        // block number of the first block held
  uint32_t Count;        // blocks the file held there when read
  unsigned long LastUse;
};

// 0 with the block copied, -1 when the file does not hold it, 1 when no
// window memory could be had (the caller reads the single block instead).
int ReadBlockAhead(DatabaseFile* db, uint32_t block, unsigned char dest[BlockSize]);
void DropReadWindows(DatabaseFile* db);
// Notes the file's stamp, as the open or a refresh reads it.
void NoteFileStamp(DatabaseFile* db);
// What each operation of a read-only open does first (see above).
void RefreshReadAhead(DatabaseFile* db);

