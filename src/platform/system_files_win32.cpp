// The system's file calls over the ANSI Win32 API.
#include <windows.h>

#include <new>

#include "platform/handles.h"
#include "platform/system_files.h"

namespace {

const DWORD ErrorSharingViolation = ERROR_SHARING_VIOLATION;  // 32
const DWORD ErrorAccessDenied = ERROR_ACCESS_DENIED;          // 5
const DWORD BackupSemanticsAttribute = FILE_FLAG_BACKUP_SEMANTICS;

int OpenInCompatibilityMode(const char* path) { return (int)_lopen(path, OF_READ); }

CompatibilityOpenFunction g_compatibilityOpen = OpenInCompatibilityMode;

class SystemFile : public OpenedFile {
 public:
  explicit SystemFile(HANDLE handle) : handle_(handle) {}
  ~SystemFile() override { CloseHandle(handle_); }
  SystemFile(const SystemFile&) = delete;
  SystemFile& operator=(const SystemFile&) = delete;

  int Read(void* dest, unsigned count) override {
    DWORD done = 0;
    if (!ReadFile(handle_, dest, count, &done, nullptr)) return -1;
    return (int)done;
  }

  int Write(const void* source, unsigned count) override {
    DWORD done = 0;
    BOOL ok = WriteFile(handle_, source, count, &done, nullptr);
    if (ok && done == count) return (int)done;
    return done == 0 ? FileErrorNothingWritten : FileErrorGeneral;
  }

  int Seek(uint64_t position) override {
    LONG highPart = (LONG)(position >> 32);
    SetLastError(NO_ERROR);
    DWORD result = SetFilePointer(handle_, (LONG)(position & 0xFFFFFFFFu), &highPart, FILE_BEGIN);
    if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return 0;
  }

  int64_t Size() override {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(handle_, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return (int64_t)(((uint64_t)high << 32) | low);
  }

  // Two calls, not GetFileInformationByHandle: under Wine that one asks the
  // volume too and costs some hundred times as much.
  int Stamp(OpenFileStamp* stamp) override {
    if (!stamp) return -1;
    int64_t size = Size();
    FILETIME written;
    if (size < 0 || !GetFileTime(handle_, nullptr, nullptr, &written)) return -1;
    stamp->Size = size;
    stamp->LastWrite = ((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime;
    return 0;
  }

  void Flush() override { FlushFileBuffers(handle_); }

 private:
  HANDLE handle_;
};

// A read-only open: others may read, and also write when the flag says so.
// Refused for a sharing violation, it tries the compatibility mode.
HANDLE OpenForReading(const char* path, int modeAndFlags, DWORD attributes) {
  DWORD share = FILE_SHARE_READ;
  if (modeAndFlags & OpenShareWrite) share |= FILE_SHARE_WRITE;
  HANDLE h = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ErrorSharingViolation) {
    int old = g_compatibilityOpen(path);
    if (old != HFILE_ERROR) h = (HANDLE)(intptr_t)old;
    else SetLastError(ErrorSharingViolation);
  }
  return h;
}

}  // namespace

CompatibilityOpenFunction SetCompatibilityOpen(CompatibilityOpenFunction open) {
  CompatibilityOpenFunction previous = g_compatibilityOpen;
  g_compatibilityOpen = open ? open : OpenInCompatibilityMode;
  return previous;
}

uint64_t StampClockNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
}

OpenedFile* OpenSystemFile(const char* path, int modeAndFlags, bool backupSemantics, int* why) {
  *why = FileErrorGeneral;
  if (!path) return nullptr;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (backupSemantics) attributes |= BackupSemanticsAttribute;
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
      h = OpenForReading(path, modeAndFlags, attributes);
      break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ErrorSharingViolation) *why = FileErrorSharing;
    else if (error == ErrorAccessDenied) *why = FileErrorAccessDenied;
    return nullptr;
  }
  OpenedFile* file = new (std::nothrow) SystemFile(h);
  if (!file) CloseHandle(h);
  return file;
}

bool SystemFileFound(const char* path) {
  if (!path) return false;
  WIN32_FIND_DATAA data;
  FindHandle search(path, &data);
  return search.Found();
}

bool SystemFileWriteTime(const char* path, LocalFileTime* local) {
  if (!path) return false;
  WIN32_FIND_DATAA data;
  FindHandle search(path, &data);
  if (!search.Found()) return false;
  FILETIME localTime;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &localTime) || !FileTimeToSystemTime(&localTime, &st))
    return false;
  *local = LocalFileTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
  return true;
}

bool RemoveSystemFile(const char* path) { return path && DeleteFileA(path); }

bool CopySystemFile(const char* from, const char* to) { return from && to && CopyFileA(from, to, FALSE); }

bool MakeSystemFileNormal(const char* path) { return path && SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL); }
