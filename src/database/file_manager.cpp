// FileManager: instance counting with the shared DateTimeUtil, the handle
// table of open files, and the rules the file tests and the forced delete
// add to the system's calls (platform/system_files.h).
#include "database/file_manager.h"

#include <string.h>

#include <new>

#include "platform/memory_file.h"
#include "platform/path_rules.h"
#include "platform/windows_version.h"
#include "platform/spin_lock.h"

namespace {

volatile long g_instanceCount = 0;
DateTimeUtil* g_sharedTime = nullptr;
OpenedFile* g_handleTable[MaxOpenFiles];
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


int FileManager::StoreFile(OpenedFile* file) {
  SpinLockHolder hold(&g_tableLock);
  for (int slot = 0; slot < MaxOpenFiles; ++slot) {
    if (!g_handleTable[slot]) {
      g_handleTable[slot] = file;
      return slot;
    }
  }
  return -1;
}

OpenedFile* FileManager::FileAt(int file) {
  if (file < 0 || file >= MaxOpenFiles) return nullptr;
  return g_handleTable[file];
}

int FileManager::FileOpen(const char* path, int modeAndFlags) {
  bool backupSemantics = false;
  if ((modeAndFlags & (OpenBackupSemantics | OpenBackupSemanticsAlt)) && IsNtFamily())
    backupSemantics = true;
  int why = FileErrorGeneral;
  OpenedFile* file = OpenSystemFile(path, modeAndFlags, backupSemantics, &why);
  if (!file) return (modeAndFlags & OpenDetailedErrors) ? why : FileErrorGeneral;
  int slot = StoreFile(file);
  if (slot < 0) delete file;
  return slot;
}

int FileManager::FileOpenImage(const unsigned char* bytes, size_t size) {
  if (!bytes && size > 0) return -1;
  OpenedFile* file = new (std::nothrow) MemoryFile(bytes, size);
  if (!file) return -1;
  int slot = StoreFile(file);
  if (slot < 0) delete file;
  return slot;
}

int FileManager::FileRead(int file, void* dest, unsigned count) {
  OpenedFile* f = FileAt(file);
  return f ? f->Read(dest, count) : -1;
}

int FileManager::FileWrite(int file, const void* source, unsigned count) {
  OpenedFile* f = FileAt(file);
  return f ? f->Write(source, count) : FileErrorNothingWritten;
}

int FileManager::FileSeek(int file, unsigned long high, unsigned long low) {
  OpenedFile* f = FileAt(file);
  return f ? f->Seek(((uint64_t)(high & 0xFFFFFFFFul) << 32) | (low & 0xFFFFFFFFul)) : -1;
}

int64_t FileManager::FileSize(int file) {
  OpenedFile* f = FileAt(file);
  return f ? f->Size() : -1;
}

int FileManager::FileStamp(int file, OpenFileStamp* stamp) {
  OpenedFile* f = FileAt(file);
  return f ? f->Stamp(stamp) : -1;
}

int FileManager::FileClose(int file) {
  if (file < 0 || file >= MaxOpenFiles) return 0;
  OpenedFile* f;
  {
    SpinLockHolder hold(&g_tableLock);
    f = g_handleTable[file];
    g_handleTable[file] = nullptr;
  }
  delete f;
  return 0;
}

int FileManager::FileFlush(int file) {
  if (file < 0 || file >= MaxOpenFiles) return 0;
  SpinLockHolder hold(&g_tableLock);
  if (g_handleTable[file]) g_handleTable[file]->Flush();
  return 0;
}

int FileManager::FileExists(const char* path) { return SystemFileFound(path) ? 1 : 0; }

int FileManager::PathExists(const char* path) {
  if (FileExists(path)) return 1;
  if (!path) return 0;
  char pattern[PathSearchBufferSize];
  return JoinPath(pattern, sizeof pattern, path, AllFilesPattern) && FileExists(pattern);
}

PackedTime FileManager::FileWriteTime(const char* path) {
  LocalFileTime local;
  if (!SharedTime() || !SystemFileWriteTime(path, &local)) return 0;
  SYSTEMTIME st;
  memset(&st, 0, sizeof st);
  st.wYear = local.Year;
  st.wMonth = local.Month;
  st.wDay = local.Day;
  st.wHour = local.Hour;
  st.wMinute = local.Minute;
  st.wSecond = local.Second;
  return SharedTime()->SystemTimeToPacked(st);
}

int FileManager::FileDelete(const char* path) {
  if (!path) return -1;
  if (RemoveSystemFile(path)) return 0;
  if (!FileExists(path)) return 0;
  MakeSystemFileNormal(path);
  return RemoveSystemFile(path) ? 0 : -1;
}

int FileManager::FileCopy(const char* from, const char* to) { return CopySystemFile(from, to) ? 0 : -1; }

int FileManager::FileMakeNormal(const char* path) { return MakeSystemFileNormal(path) ? 0 : -1; }

FileManager::FileManager() {
  if (AtomicAdd(&g_instanceCount, 1) == 0) g_sharedTime = new DateTimeUtil();
}

FileManager::~FileManager() {
  if (AtomicAdd(&g_instanceCount, -1) == 1) {
    delete g_sharedTime;
    g_sharedTime = nullptr;
  }
}
