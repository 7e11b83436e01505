// What a folder is, as opposed to how its path is spelt: the volume and file
// index the file system reports for it once every link, mount point and
// substituted drive on the way has been followed.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

struct FolderIdentity {
  DWORD volume;
  DWORD indexHigh;
  DWORD indexLow;
};

inline bool SameFolder(const FolderIdentity& a, const FolderIdentity& b) {
  return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

// Reads the identity of an existing folder (links followed). False when it
// cannot be opened: always on 95/98/ME, which open no folders as files.
bool ReadFolderIdentity(const char* folder, FolderIdentity* out);

}  // namespace pw
#endif
