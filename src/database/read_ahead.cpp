// Read-ahead windows of one read-only database: which run holds a block,
// which run gives way (the one used longest ago), and when they are stale.
#include "database/read_ahead.h"

#include <string.h>

#include <new>

#include "database/database_file.h"
#include "database/file_manager.h"
#include "database/stream_cursor.h"

namespace {

ReadWindow* WindowHolding(DatabaseFile* db, uint32_t block) {
  for (ReadWindow& w : db->Windows)
    if (w.Bytes && w.Count > 0 && block >= w.First && block - w.First < w.Count) return &w;
  return nullptr;
}

ReadWindow* WindowToFill(DatabaseFile* db) {
  ReadWindow* oldest = &db->Windows[0];
  for (ReadWindow& w : db->Windows) {
    if (w.Count == 0) return &w;
    if (w.LastUse < oldest->LastUse) oldest = &w;
  }
  return oldest;
}

}  // namespace

int ReadBlockAhead(DatabaseFile* db, uint32_t block, unsigned char dest[BlockSize]) {
  ReadWindow* w = WindowHolding(db, block);
  if (!w) {
    w = WindowToFill(db);
    if (!w->Bytes) {
      w->Bytes = new (std::nothrow) unsigned char[(size_t)ReadWindowBlocks * BlockSize];
      if (!w->Bytes) return 1;
    }
    w->Count = 0;
    w->First = block - block % ReadWindowBlocks;
    // The last run may stop short of a full window at the 32-bit offset limit.
    uint32_t blocks = ReadWindowBlocks;
    if (w->First + blocks - 1 > MaxBlockNumber) blocks = MaxBlockNumber - w->First + 1;
    db->FilePosition = UnknownFilePosition;
    if (db->Files->FileSeek(db->File, 0, (w->First + 1) * BlockSize) != 0) return -1;
    int got = db->Files->FileRead(db->File, w->Bytes, blocks * BlockSize);
    if (got < 0) return -1;
    w->Count = (uint32_t)got / BlockSize;
    CountFileRead(w->Count);
    if (block - w->First >= w->Count) return -1;  // the file ends before it
  }
  w->LastUse = ++db->UseClock;
  memcpy(dest, w->Bytes + (size_t)(block - w->First) * BlockSize, BlockSize);
  return 0;
}

void DropReadWindows(DatabaseFile* db) {
  for (ReadWindow& w : db->Windows) {
    delete[] w.Bytes;
    w.Bytes = nullptr;
    w.Count = 0;
  }
}

void NoteFileStamp(DatabaseFile* db) {
  db->StampKnown = db->Files->FileStamp(db->File, &db->Stamp) == 0;
  SetFileBlocks(db, db->StampKnown ? db->Stamp.Size : -1);
}

void RefreshReadAhead(DatabaseFile* db) {
  if (db->Mode != OpenReadOnly || db->File == NoFile || db->Image) return;
  OpenFileStamp before = db->Stamp;
  bool known = db->StampKnown != 0;
  NoteFileStamp(db);
  if (known && db->StampKnown && db->Stamp == before) return;
  // Changed, or not to be told: what was read before may be stale. The
  // buffers stay for the next reads.
  for (ReadWindow& w : db->Windows) w.Count = 0;
  DropChildTables(db);
}
