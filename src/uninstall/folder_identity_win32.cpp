// Folder identity and link detection for the uninstaller's folder guards.
#include "uninstall/folder_identity.h"

#include <string.h>

#include "common/bounded_text.h"
#include "uninstall/path_join.h"
#include "uninstall/repository_directory_rules.h"

namespace pw {
namespace {

// Not exported by every supported system in a usable form: 95 has only a stub.
typedef DWORD(WINAPI* QueryDosDeviceFn)(LPCSTR, LPSTR, DWORD);

bool IsDriveAlias(char letter) {
  QueryDosDeviceFn query = reinterpret_cast<QueryDosDeviceFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryDosDeviceA")));
  if (!query) return false;
  char drive[3] = {letter, ':', '\0'};
  char target[kPathSize * 2];
  DWORD n = query(drive, target, sizeof target);
  if (n == 0 || n > sizeof target) return false;
  target[sizeof target - 1] = '\0';
  return IsAliasDeviceTarget(target);
}

bool IsReparsePoint(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

bool ReadFolderIdentity(const char* folder, FolderIdentity* out) {
  // No access rights are asked for: only the file system's record is read.
  HANDLE handle = CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  BOOL ok = GetFileInformationByHandle(handle, &information);
  CloseHandle(handle);
  if (!ok || !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  out->volume = information.dwVolumeSerialNumber;
  out->indexHigh = information.nFileIndexHigh;
  out->indexLow = information.nFileIndexLow;
  return true;
}

bool ReachesThroughLinkOrAlias(const char* normalised) {
  char path[kPathSize];
  if (!CopyBounded(path, sizeof path, normalised)) return true;
  size_t start = 0;
  if (path[0] && path[1] == ':') {
    if (IsDriveAlias(path[0])) return true;
    start = 2;
  } else if (path[0] == '\\' && path[1] == '\\') {
    // "\\server\share" is the root; links can only begin below it.
    const char* share = strchr(path + 2, '\\');
    const char* below = share ? strchr(share + 1, '\\') : nullptr;
    if (!below) return false;
    start = (size_t)(below - path);
  }
  size_t length = strlen(path);
  for (size_t i = start + 1; i <= length; ++i) {
    if (path[i] != '\\' && path[i] != '\0') continue;
    char kept = path[i];
    path[i] = '\0';
    bool link = IsReparsePoint(path);
    path[i] = kept;
    if (link) return true;
  }
  return false;
}

}  // namespace pw
