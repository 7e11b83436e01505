// Run claims on Windows: CREATE_NEW is atomic on local disks, FAT, NTFS and
// network shares alike, across sessions and across machines.
#include "scheduler/claim_files.h"

#include <windows.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"

const char ClaimPathSeparator = '\\';

ClaimCreate CreateClaimFile(const char* path, const char* text, size_t length, unsigned long* error) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    if (error) *error = e;
    if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) return ClaimCreate::Exists;
    if (e == ERROR_PATH_NOT_FOUND) return ClaimCreate::NoFolder;
    return ClaimCreate::Failed;
  }
  // The file existing is the claim; its text only tells a reader who made it.
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
  return ClaimCreate::Created;
}

bool ClaimFileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool RemoveClaimFile(const char* path) { return DeleteFileA(path) != FALSE; }

bool MakeClaimFolder(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return true;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void ListClaimFolder(const char* folder, size_t bound, ClaimFileVisitor visit, void* context) {
  char pattern[MAX_PATH];
  if (!CopyBounded(pattern, sizeof pattern, folder) || !AppendBounded(pattern, sizeof pattern, "\\*")) return;
  WIN32_FIND_DATAA entry;
  FindHandle find(pattern, &entry);
  if (!find.Found()) return;
  size_t seen = 0;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !visit(entry.cFileName, context)) return;
  } while (++seen < bound && find.Next(&entry));
}
