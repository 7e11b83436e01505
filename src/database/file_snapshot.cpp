// Taking a snapshot of a file: the whole file in large reads, then, once the
// reader is done with it, a second read that must agree (see file_snapshot.h).
#include "database/file_snapshot.h"

#include <string.h>

#include <new>

#include "platform/sleep.h"
#include "database/database_format.h"
#include "database/file_manager.h"
#include "database/read_counters.h"

namespace {

SnapshotReadHook g_hook = nullptr;

// Counts a read for the engine's figures (database_manager.h).
void CountBytesRead(int bytes) {
  if (bytes > 0) CountFileRead((uint32_t)bytes / BlockSize);
}

// Fills dest with size bytes from the file's start: SnapshotTaken, or
// SnapshotChanging when the file ends before (it shrank) or goes on after (it
// grew), or SnapshotUnreadable when a read fails.
SnapshotResult ReadWhole(FileManager& files, int file, unsigned char* dest, size_t size) {
  if (files.FileSeek(file, 0, 0) != 0) return SnapshotUnreadable;
  size_t done = 0;
  while (done < size) {
    size_t want = size - done < SnapshotReadChunk ? size - done : SnapshotReadChunk;
    int got = files.FileRead(file, dest + done, (unsigned)want);
    if (got < 0) return SnapshotUnreadable;
    if (got == 0) return SnapshotChanging;
    CountBytesRead(got);
    done += (size_t)got;
  }
  unsigned char past;
  int more = files.FileRead(file, &past, 1);
  if (more < 0) return SnapshotUnreadable;
  return more == 0 ? SnapshotTaken : SnapshotChanging;
}

// Whether two runs of bytes are alike, eight at a time: some C runtimes
// compare byte by byte, which for a file of megabytes costs more than reading it.
bool SameBytes(const unsigned char* a, const unsigned char* b, size_t n) {
  const size_t Run = 8 * sizeof(uint64_t);  // one test per run lets the compiler use wide registers
  size_t i = 0;
  for (; i + Run <= n; i += Run) {
    uint64_t differ = 0;
    for (size_t k = 0; k < Run; k += sizeof(uint64_t)) {
      uint64_t x, y;
      memcpy(&x, a + i + k, sizeof x);
      memcpy(&y, b + i + k, sizeof y);
      differ |= x ^ y;
    }
    if (differ) return false;
  }
  for (; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Reads the file again and compares it with image, in pieces.
SnapshotResult CompareWhole(FileManager& files, int file, const unsigned char* image, size_t size) {
  // One byte more than a small file, so that the read past its end has room.
  const size_t chunk = size < SnapshotCompareChunk ? size + 1 : SnapshotCompareChunk;
  unsigned char* piece = new (std::nothrow) unsigned char[chunk];
  if (!piece) return SnapshotUnreadable;
  SnapshotResult result = SnapshotTaken;
  size_t done = 0;
  if (files.FileSeek(file, 0, 0) != 0) result = SnapshotUnreadable;
  while (result == SnapshotTaken && done < size) {
    size_t want = size - done < chunk ? size - done : chunk;
    int got = files.FileRead(file, piece, (unsigned)want);
    if (got < 0) result = SnapshotUnreadable;
    else if (got == 0 || !SameBytes(piece, image + done, (size_t)got)) result = SnapshotChanging;
    else {
      CountBytesRead(got);
      done += (size_t)got;
    }
  }
  if (result == SnapshotTaken) {
    int more = files.FileRead(file, piece, 1);
    if (more < 0) result = SnapshotUnreadable;
    else if (more > 0) result = SnapshotChanging;
  }
  delete[] piece;
  return result;
}

// Waits until the file's last write is SnapshotSettleMilliseconds old, at
// most that long.
void WaitForQuiet(uint64_t lastWrite) {
  const uint64_t settle = (uint64_t)SnapshotSettleMilliseconds * StampUnitsPerMillisecond;
  const uint64_t now = StampClockNow();
  if (now >= lastWrite + settle) return;
  uint64_t wait = (lastWrite + settle - now) / StampUnitsPerMillisecond + 1;
  SleepMilliseconds(wait < SnapshotSettleMilliseconds ? (unsigned)wait : SnapshotSettleMilliseconds);
}

}  // namespace

void SetSnapshotReadHook(SnapshotReadHook hook) { g_hook = hook; }

void FileSnapshot::Release() {
  if (File >= 0 && Files) Files->FileClose(File);
  File = -1;
  Files = nullptr;
  delete[] Bytes;
  Bytes = nullptr;
  Size = 0;
  WriteTime = 0;
}

SnapshotResult ReadFileSnapshot(FileManager& files, const char* path, FileSnapshot* snapshot) {
  if (!snapshot) return SnapshotUnreadable;
  snapshot->Release();
  if (!path || !*path) return SnapshotMissing;
  // The directory entry's time is what a watcher of the file compares; it is
  // the loaded version's time only if it is the same at the confirmation.
  PackedTime writeTime = files.FileWriteTime(path);
  // The second read tells a change, so writers need not be kept out: the main
  // program may hold the file for writing, or open it to save meanwhile.
  int file = files.FileOpen(path, OpenReadOnly | OpenShareWrite | OpenDetailedErrors);
  if (file < 0) {
    if (file == FileErrorSharing) return SnapshotLocked;
    return files.FileExists(path) ? SnapshotUnreadable : SnapshotMissing;
  }
  snapshot->Files = &files;
  snapshot->File = file;
  OpenFileStamp& before = snapshot->Before;
  SnapshotResult result = SnapshotTaken;
  if (files.FileStamp(file, &before) != 0 || before.Size < 0 || (uint64_t)before.Size > MaxSnapshotBytes)
    result = SnapshotUnreadable;
  size_t size = result == SnapshotTaken ? (size_t)before.Size : 0;
  unsigned char* bytes = result == SnapshotTaken ? new (std::nothrow) unsigned char[size > 0 ? size : 1] : nullptr;
  if (!bytes) result = SnapshotUnreadable;
  snapshot->Bytes = bytes;
  snapshot->Size = size;
  snapshot->WriteTime = writeTime;
  if (result == SnapshotTaken) result = ReadWhole(files, file, bytes, size);
  OpenFileStamp stamp;
  if (result == SnapshotTaken && (files.FileStamp(file, &stamp) != 0 || stamp != before)) result = SnapshotChanging;
  if (result != SnapshotTaken) snapshot->Release();
  return result;
}

SnapshotResult ConfirmFileSnapshot(FileManager& files, const char* path, FileSnapshot* snapshot) {
  if (!snapshot || !snapshot->Bytes || snapshot->File < 0 || !path) return SnapshotUnreadable;
  WaitForQuiet(snapshot->Before.LastWrite);
  if (g_hook) g_hook(path);
  const int file = snapshot->File;
  SnapshotResult result = CompareWhole(files, file, snapshot->Bytes, snapshot->Size);
  OpenFileStamp stamp;
  if (result == SnapshotTaken && (files.FileStamp(file, &stamp) != 0 || stamp != snapshot->Before))
    result = SnapshotChanging;
  files.FileClose(file);
  snapshot->File = -1;
  snapshot->Files = nullptr;
  if (result == SnapshotTaken && files.FileWriteTime(path) != snapshot->WriteTime) result = SnapshotChanging;
  if (result != SnapshotTaken) snapshot->Release();
  return result;
}

SnapshotResult TakeFileSnapshot(FileManager& files, const char* path, FileSnapshot* snapshot) {
  SnapshotResult result = ReadFileSnapshot(files, path, snapshot);
  return result == SnapshotTaken ? ConfirmFileSnapshot(files, path, snapshot) : result;
}
