// Folder identity for the uninstaller's folder guard.
#include "uninstall/folder_identity.h"

namespace pw {

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

}  // namespace pw
