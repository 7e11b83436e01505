// FileManager over the ANSI Win32 file calls.
#include <windows.h>

#include <string.h>

#include "platform/handles.h"
#include "database/file_manager.h"

namespace {

const DWORD ErrorSharingViolation = ERROR_SHARING_VIOLATION;  // 32
const DWORD ErrorAccessDenied = ERROR_ACCESS_DENIED;          // 5
const DWORD BackupSemanticsAttribute = FILE_FLAG_BACKUP_SEMANTICS;

intptr_t ToTable(HANDLE h) { return (intptr_t)h; }
HANDLE FromTable(intptr_t entry) { return (HANDLE)entry; }

}  // namespace

int FileManager::DetectNtFamily() {
  DWORD version = GetVersion();
  return (version & 0x80000000u) ? 0 : 1;
}

uint64_t FileManager::StampClockNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
}

void FileManager::Pause(unsigned milliseconds) { Sleep(milliseconds); }

int FileManager::FileOpen(const char* path, int modeAndFlags) {
  if (!path) return FileErrorGeneral;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if ((modeAndFlags & (OpenBackupSemantics | OpenBackupSemanticsAlt)) && IsNtFamily)
    attributes |= BackupSemanticsAttribute;
  int mode = modeAndFlags & OpenModeMask;
  HANDLE h = INVALID_HANDLE_VALUE;
  switch (mode) {
    case OpenCreate:
      h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                      attributes, nullptr);
      break;
    case OpenReadWrite:
    case OpenAppend:
      h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                      attributes, nullptr);
      if (h != INVALID_HANDLE_VALUE && mode == OpenAppend) SetFilePointer(h, 0, nullptr, FILE_END);
      break;
    default:
      h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, attributes, nullptr);
      if (h == INVALID_HANDLE_VALUE && GetLastError() == ErrorSharingViolation) {
        HFILE old = _lopen(path, OF_READ);
        if (old != HFILE_ERROR) h = (HANDLE)(intptr_t)old;
        else SetLastError(ErrorSharingViolation);
      }
      break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    if (modeAndFlags & OpenDetailedErrors) {
      DWORD error = GetLastError();
      if (error == ErrorSharingViolation) return FileErrorSharing;
      if (error == ErrorAccessDenied) return FileErrorAccessDenied;
    }
    return FileErrorGeneral;
  }
  int slot = StoreHandle(ToTable(h));
  if (slot < 0) CloseHandle(h);
  return slot;
}

int FileManager::OsRead(int file, void* dest, unsigned count) {
  intptr_t entry = HandleAt(file);
  if (!entry) return -1;
  DWORD done = 0;
  if (!ReadFile(FromTable(entry), dest, count, &done, nullptr)) return -1;
  return (int)done;
}

int FileManager::OsWrite(int file, const void* source, unsigned count) {
  intptr_t entry = HandleAt(file);
  if (!entry) return FileErrorNothingWritten;
  DWORD done = 0;
  BOOL ok = WriteFile(FromTable(entry), source, count, &done, nullptr);
  if (ok && done == count) return (int)done;
  return done == 0 ? FileErrorNothingWritten : FileErrorGeneral;
}

int FileManager::OsSeek(int file, unsigned long high, unsigned long low) {
  intptr_t entry = HandleAt(file);
  if (!entry) return -1;
  LONG highPart = (LONG)high;
  SetLastError(NO_ERROR);
  DWORD result = SetFilePointer(FromTable(entry), (LONG)low, &highPart, FILE_BEGIN);
  if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return 0;
}

int64_t FileManager::OsSize(int file) {
  intptr_t entry = HandleAt(file);
  if (!entry) return -1;
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(FromTable(entry), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
  return (int64_t)(((uint64_t)high << 32) | low);
}

// Two calls, not GetFileInformationByHandle: under Wine that one asks the
// volume too and costs some hundred times as much.
int FileManager::OsStamp(int file, OpenFileStamp* stamp) {
  intptr_t entry = HandleAt(file);
  if (!entry || !stamp) return -1;
  int64_t size = OsSize(file);
  FILETIME written;
  if (size < 0 || !GetFileTime(FromTable(entry), nullptr, nullptr, &written)) return -1;
  stamp->Size = size;
  stamp->LastWrite = ((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime;
  return 0;
}

int FileManager::OsClose(int file) {
  intptr_t entry = ReleaseSlotLocked(file);
  if (entry) CloseHandle(FromTable(entry));
  return 0;
}

int FileManager::FileFlush(int file) {
  FlushLocked(file, [](intptr_t entry) { FlushFileBuffers(FromTable(entry)); });
  return 0;
}

int FileManager::FileExists(const char* path) {
  if (!path) return 0;
  WIN32_FIND_DATAA data;
  FindHandle search(path, &data);
  return search.Found() ? 1 : 0;
}

PackedTime FileManager::FileWriteTime(const char* path) {
  if (!path || !SharedTime()) return 0;
  WIN32_FIND_DATAA data;
  FindHandle search(path, &data);
  if (!search.Found()) return 0;
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st))
    return 0;
  return SharedTime()->SystemTimeToPacked(st);
}

int FileManager::FileDelete(const char* path) {
  if (!path) return -1;
  if (DeleteFileA(path)) return 0;
  if (!FileExists(path)) return 0;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path) ? 0 : -1;
}

int FileManager::FileCopy(const char* from, const char* to) {
  if (!from || !to) return -1;
  return CopyFileA(from, to, FALSE) ? 0 : -1;
}

int FileManager::FileMakeNormal(const char* path) {
  if (!path) return -1;
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) ? 0 : -1;
}
