// FileSnapshot: one version of a whole file, read into memory so that a reader
// can work on it while another program rewrites the file in place.
//
// A snapshot counts only when the file did not change from before it was read
// to its confirmation: the size and last-write time of the open file are the
// same before, after the first read and at the end, a second read of the whole
// file agrees with the first byte for byte, and the time its directory entry
// shows is the same. Times alone would not do: FAT keeps them to two seconds
// and may set them only when the writer closes the file, and even fine-grained
// ones move in clock ticks, so a write soon after another can leave them as
// they were; the second read sees any block written after the first read
// passed it. A reader parses the first read before it confirms, so that the
// time the file must stay unchanged spans the parse too: a save going on at
// any moment of it is seen.
//
// A writer may rest half way through a save (descheduled on a busy machine,
// or between two of its writes): a file whose last write is less than
// SnapshotSettleMilliseconds old is confirmed no sooner than that long after
// the write, so that a save going on within that time is seen. What no reader
// can tell is a file that a writer left half written for longer and did not
// touch from the first read to the confirmation: that is the file as it
// stands. The writer's next write changes it again, and a reader that notes
// the loaded version's time (WriteTime, taken before the reads) sees that.
#pragma once
#include <stddef.h>

#include "common/packed_time.h"
#include "database/file_manager.h"

// Files above this are not read into memory (a settings file with ten
// thousand backup sets is some 60 MB).
const size_t MaxSnapshotBytes = (size_t)256 << 20;
// The first read moves the file in calls of at most this size; the second
// compares it in pieces of the other size, which stay in the processor's cache.
const unsigned SnapshotReadChunk = 1u << 20;
const unsigned SnapshotCompareChunk = 64u << 10;
// How long after its last write a file must have stayed as read (see above).
// A clock that disagrees with the file's (a server's) makes no longer a wait.
const unsigned SnapshotSettleMilliseconds = 30;

enum SnapshotResult {
  SnapshotTaken,
  SnapshotMissing,     // no such file
  SnapshotLocked,      // another program holds it without sharing
  SnapshotChanging,    // it changed while it was read
  SnapshotUnreadable,  // a read failed, it is too large, or memory is short
};

struct FileSnapshot {
  unsigned char* Bytes = nullptr;
  size_t Size = 0;
  PackedTime WriteTime = 0;  // last-write time of the version read
  // From the first read to the confirmation: the open file and how it stood.
  FileManager* Files = nullptr;
  int File = -1;
  OpenFileStamp Before = {0, 0};

  FileSnapshot() = default;
  ~FileSnapshot() { Release(); }
  FileSnapshot(const FileSnapshot&) = delete;
  FileSnapshot& operator=(const FileSnapshot&) = delete;
  // Frees the bytes and closes the file.
  void Release();
};

// The first read: the whole file at path into *snapshot (released first),
// which keeps the file open. Its bytes may be used only once
// ConfirmFileSnapshot says SnapshotTaken. Plain functions: any thread may call
// them with its own FileManager and snapshot.
SnapshotResult ReadFileSnapshot(FileManager& files, const char* path, FileSnapshot* snapshot);
// The second read and the checks, then the file is closed. SnapshotTaken
// when the file is as the first read found it; otherwise the bytes are
// released.
SnapshotResult ConfirmFileSnapshot(FileManager& files, const char* path, FileSnapshot* snapshot);
// Both at once, for a reader with nothing to do in between.
SnapshotResult TakeFileSnapshot(FileManager& files, const char* path, FileSnapshot* snapshot);

// For tests: called with the path as every confirmation begins, so that a
// test can change the file at that very moment. Null: nothing.
typedef void (*SnapshotReadHook)(const char* path);
void SetSnapshotReadHook(SnapshotReadHook hook);
