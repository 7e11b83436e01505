// Test drive letters through the mount manager of the Wine prefix.
#include "wine_drives.h"

#include <winioctl.h>
#include <string.h>
#include <string>

namespace {

const DWORD kMountManagerType = 0x6D;
const DWORD kDefineUnixDrive =
    CTL_CODE(kMountManagerType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// The request the mount manager takes to define or remove a drive letter.
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};

bool SendDriveRequest(char letter, const char* unixPath, UINT driveType) {
  char buffer[1024];
  memset(buffer, 0, sizeof buffer);
  UnixDriveRequest* request = reinterpret_cast<UnixDriveRequest*>(buffer);
  size_t length = sizeof *request;
  request->letter = static_cast<WCHAR>(letter | 0x20);
  request->type = driveType;
  if (unixPath) {
    size_t n = strlen(unixPath) + 1;
    if (length + n > sizeof buffer) return false;
    request->mount_point_offset = static_cast<USHORT>(length);
    memcpy(buffer + length, unixPath, n);
    length += n;
  }
  request->size = static_cast<ULONG>(length);
  HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, buffer, static_cast<DWORD>(length), nullptr, 0,
                            &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

// Wine's own export that names the host path of a Windows path.
std::string UnixPathOf(const char* windowsPath) {
  typedef char*(CDECL * UnixNameFn)(LPCWSTR);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  UnixNameFn unixName =
      reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (!unixName) return std::string();
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, MAX_PATH)) return std::string();
  char* name = unixName(wide);
  if (!name) return std::string();
  std::string result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

}  // namespace

bool DefineTestDrive(char letter, const char* windowsFolder, UINT driveType) {
  std::string unixPath = UnixPathOf(windowsFolder);
  if (unixPath.empty()) return false;
  return SendDriveRequest(letter, unixPath.c_str(), driveType);
}

bool RemoveTestDrive(char letter) { return SendDriveRequest(letter, nullptr, DRIVE_NO_ROOT_DIR); }
