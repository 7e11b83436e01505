// The uninstaller's guard against clearing a drive root or system folder.
// Paths are compared as written first; then the folder the path resolves to
// is compared by identity (the volume and file index the file system reports
// once every link, mount point and substituted drive on the way has been
// followed), which is what catches another spelling (a link, a mount point, a
// substituted or host drive) of a guarded folder. A path that merely passes
// through such a link to an ordinary folder is fine.
#include <windows.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "platform/windows_version.h"
#include "uninstall/removal_rules.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

struct FolderIdentity {
  DWORD volume;
  DWORD indexHigh;
  DWORD indexLow;
};

bool SameFolder(const FolderIdentity& a, const FolderIdentity& b) {
  return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

// Reads the identity of an existing folder (links followed). False when it
// cannot be opened: always on 95/98/ME, which open no folders as files.
bool ReadFolderIdentity(const char* folder, FolderIdentity* out) {
  // No access rights are asked for: only the file system's record is read.
  OwnedHandle handle(CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.IsOpen()) return false;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle.Get(), &information) ||
      !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  out->volume = information.dwVolumeSerialNumber;
  out->indexHigh = information.nFileIndexHigh;
  out->indexLow = information.nFileIndexLow;
  return true;
}

// The Windows and system folders with every folder above them, and the roots
// of the local disks.
constexpr size_t kMaxGuardedIdentities = 64;
// Drive letters C: to Z:.
constexpr int kFirstDriveIndex = 2;
constexpr int kLastDriveIndex = 25;

struct GuardedIdentities {
  FolderIdentity items[kMaxGuardedIdentities];
  size_t count;
};

void AddIdentity(const char* folder, GuardedIdentities* guarded) {
  if (guarded->count < kMaxGuardedIdentities && ReadFolderIdentity(folder, &guarded->items[guarded->count]))
    ++guarded->count;
}

void AddFolderAndAncestors(const char* folder, GuardedIdentities* guarded) {
  char path[PathBufferSize];
  if (!folder[0] || !NormaliseFolder(folder, path, sizeof path)) return;
  for (;;) {
    // "C:" alone would be the current folder of that drive, not its root.
    char probe[PathBufferSize];
    bool fits = CopyBounded(probe, sizeof probe, path);
    if (fits && probe[1] == ':' && probe[2] == '\0') fits = JoinPath(probe, sizeof probe, path, "");
    if (fits) AddIdentity(probe, guarded);
    char* slash = FindLastCharacter(path, '\\');
    if (!slash || slash == path || (slash == path + 1 && path[0] == '\\')) return;
    *slash = '\0';
  }
}

// Fixed and RAM disks only: a look at an empty removable drive can ask the
// user for a disk, and one at a lost network connection can take minutes.
void AddLocalDriveRoots(GuardedIdentities* guarded) {
  DWORD present = GetLogicalDrives();
  for (int i = kFirstDriveIndex; i <= kLastDriveIndex; ++i) {
    if (!(present & (1UL << i))) continue;
    char root[4] = {(char)('A' + i), ':', '\\', '\0'};
    UINT type = GetDriveTypeA(root);
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) AddIdentity(root, guarded);
  }
}

// False when the folder is, by identity, the Windows or system folder, a
// folder above them or a drive root. A folder that exists but cannot be
// identified is refused on the NT family, where every folder can be opened
// for its identity; 95/98/ME have only the spelling rules.
bool IsClearByIdentity(const char* folder, const char* const* guardedFolders, size_t guardedCount) {
  if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) return true;
  FolderIdentity candidate;
  if (!ReadFolderIdentity(folder, &candidate)) return !IsNtFamily();
  GuardedIdentities guarded;
  guarded.count = 0;
  for (size_t i = 0; i < guardedCount; ++i) AddFolderAndAncestors(guardedFolders[i], &guarded);
  AddLocalDriveRoots(&guarded);
  for (size_t i = 0; i < guarded.count; ++i)
    if (SameFolder(candidate, guarded.items[i])) return false;
  return true;
}

// The Windows and system folders in their long and short spellings.
struct GuardedFolders {
  GuardedFolders() {
    UINT n = GetWindowsDirectoryA(folders[0], PathBufferSize);
    if (n == 0 || n >= PathBufferSize) folders[0][0] = '\0';
    n = GetSystemDirectoryA(folders[1], PathBufferSize);
    if (n == 0 || n >= PathBufferSize) folders[1][0] = '\0';
    for (int i = 0; i < 2; ++i) {
      DWORD s = folders[i][0] ? GetShortPathNameA(folders[i], folders[i + 2], PathBufferSize) : 0;
      if (s == 0 || s >= PathBufferSize) folders[i + 2][0] = '\0';
    }
    for (int i = 0; i < 4; ++i) names[i] = folders[i];
  }
  char folders[4][PathBufferSize] = {};
  const char* names[4];
};

}  // namespace

bool IsClearableSpelling(const char* directory) {
  GuardedFolders guarded;
  return IsRemovableRepositoryDirectory(directory, guarded.names, 4);
}

bool IsClearableFolder(const char* directory) {
  GuardedFolders guarded;
  if (!IsRemovableRepositoryDirectory(directory, guarded.names, 4)) return false;
  // The short spelling of the candidate as well, when it exists.
  char shortForm[PathBufferSize];
  DWORD s = GetShortPathNameA(directory, shortForm, sizeof shortForm);
  if (s > 0 && s < sizeof shortForm && !IsRemovableRepositoryDirectory(shortForm, guarded.names, 4)) return false;
  char normalised[PathBufferSize];
  if (!NormaliseFolder(directory, normalised, sizeof normalised)) return false;
  return IsClearByIdentity(normalised, guarded.names, 2);
}

}  // namespace pw
