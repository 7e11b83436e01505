// Deleting files and folder trees of the product. Links (junctions, symbolic
// links) met on the way are removed themselves; what they point at stays.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

// Deletes one file: a real file has its attributes reset first (read-only,
// hidden and system files go too); a file link is deleted as it is, since
// changing its attributes would change its target's.
void DeleteOneFile(const char* path);

// True when path exists and is a reparse point (junction or symbolic link).
bool IsLink(const char* path);

// Empties folder and removes it. A folder that is itself a link is only
// unlinked. Entries whose path would exceed 259 characters are skipped.
// Returns 0.
int DeleteTree(const char* folder);

// The walk's step for one entry listed in folder, with the attributes the
// search reported: skip "." and "..", descend into folders, delete files,
// unlink links. An entry whose full path would not fit is left alone.
void RemoveTreeEntry(const char* folder, const char* name, DWORD attributes);

}  // namespace pw
#endif
