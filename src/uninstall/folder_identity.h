// What a folder is, as opposed to how its path is spelt: the volume and file
// index the file system reports for it, and whether a path reaches its folder
// through a link or a drive letter that merely stands for another folder.
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

// True when normalised (a path as NormaliseFolder writes it) reaches its
// folder through a link: an existing component, the last one included, that
// is a reparse point; or through a drive letter that the system maps to a
// folder of another drive (as subst does).
bool ReachesThroughLinkOrAlias(const char* normalised);

}  // namespace pw
#endif
