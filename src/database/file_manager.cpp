// The parts of FileManager that do not touch the operating system: instance
// counting with the shared DateTimeUtil, the handle table and PathExists.
#include "database/file_manager.h"

#include <string.h>

#include "database/file_image.h"
#include "platform/path_rules.h"
#include "database/spin_lock.h"

namespace {

volatile long g_instanceCount = 0;
DateTimeUtil* g_sharedTime = nullptr;
intptr_t g_handleTable[MaxOpenFiles];
SpinLockWord g_tableLock = 0;

// The mirror buffer size of the original layer: room for a path, a separator
// and the "*.*" pattern.
const size_t PathSearchBufferSize = 572;
const char AllFilesPattern[] = "*.*";

long AtomicAdd(volatile long* value, long delta) {
  return __atomic_fetch_add(value, delta, __ATOMIC_ACQ_REL);
}

}  // namespace

DateTimeUtil* FileManager::SharedTime() { return g_sharedTime; }

int FileManager::StoreHandle(intptr_t osHandle) {
  SpinLockHolder hold(&g_tableLock);
  for (int slot = 0; slot < MaxOpenFiles; ++slot) {
    if (g_handleTable[slot] == 0) {
      g_handleTable[slot] = osHandle;
      return slot;
    }
  }
  return -1;
}

intptr_t FileManager::HandleAt(int file) {
  if (file < 0 || file >= MaxOpenFiles) return 0;
  return g_handleTable[file];
}

intptr_t FileManager::ReleaseSlotLocked(int file) {
  if (file < 0 || file >= MaxOpenFiles) return 0;
  SpinLockHolder hold(&g_tableLock);
  intptr_t handle = g_handleTable[file];
  g_handleTable[file] = 0;
  return handle;
}

void FileManager::FlushLocked(int file, void (*flush)(intptr_t)) {
  if (file < 0 || file >= MaxOpenFiles) return;
  SpinLockHolder hold(&g_tableLock);
  if (g_handleTable[file] && g_handleTable[file] != ImageTableEntry) flush(g_handleTable[file]);
}

int FileManager::FileRead(int file, void* dest, unsigned count) {
  if (FileImageSlot* image = ImageSlotAt(file)) return ReadImage(image, dest, count);
  return OsRead(file, dest, count);
}

int FileManager::FileWrite(int file, const void* source, unsigned count) {
  if (ImageSlotAt(file)) return FileErrorNothingWritten;
  return OsWrite(file, source, count);
}

int FileManager::FileSeek(int file, unsigned long high, unsigned long low) {
  if (FileImageSlot* image = ImageSlotAt(file)) return SeekImage(image, high, low);
  return OsSeek(file, high, low);
}

int64_t FileManager::FileSize(int file) {
  if (FileImageSlot* image = ImageSlotAt(file)) return (int64_t)image->Size;
  return OsSize(file);
}

int FileManager::FileStamp(int file, OpenFileStamp* stamp) {
  if (FileImageSlot* image = ImageSlotAt(file)) {
    if (!stamp) return -1;
    stamp->Size = (int64_t)image->Size;
    stamp->LastWrite = 0;  // never changes
    return 0;
  }
  return OsStamp(file, stamp);
}

int FileManager::FileClose(int file) {
  if (ImageSlotAt(file)) {
    // Forgotten first, so that the slot is never handed out still marked.
    ForgetImage(file);
    ReleaseSlotLocked(file);
    return 0;
  }
  return OsClose(file);
}

int FileManager::PathExists(const char* path) {
  if (FileExists(path)) return 1;
  if (!path) return 0;
  char pattern[PathSearchBufferSize];
  size_t length = strlen(path);
  if (length + 1 /* separator */ + sizeof AllFilesPattern > sizeof pattern) return 0;
  memcpy(pattern, path, length + 1);
  AppendBackslash(pattern, sizeof pattern);
  strcat(pattern, AllFilesPattern);
  return FileExists(pattern);
}


FileManager::FileManager() : IsNtFamily(0) {
  if (AtomicAdd(&g_instanceCount, 1) == 0) g_sharedTime = new DateTimeUtil();
  IsNtFamily = DetectNtFamily();
}

FileManager::~FileManager() {
  if (AtomicAdd(&g_instanceCount, -1) == 1) {
    delete g_sharedTime;
    g_sharedTime = nullptr;
  }
}
