// Which repository directories the uninstaller may clear. The directory comes
// from a text file the user's programs write, so it is checked before anything
// inside it is deleted: only an absolute folder that is no drive or share root
// and neither is nor contains a protected system folder is accepted.
#pragma once
#include <stddef.h>

namespace pw {

// Writes the folder in a comparable form: '/' read as '\', repeated separators
// collapsed (the leading "\\" of a network path kept), trailing separators
// removed. Returns false for a text that cannot name one definite folder: too
// long, relative components ("." or ".."), names ending in '.' or ' ', or
// wildcard and stream characters.
bool NormaliseFolder(const char* folder, char* out, size_t size);

// The length of the root of an absolute path: 3 for "X:\...", that of
// "\\server\share\" for a network path; 0 for anything else (a relative path,
// a bare "\\server\share", a device namespace "\\?\" or "\\.\").
size_t AbsoluteRootLength(const char* path);

// True when directory (already normalised or not) is an absolute path, either
// "X:\something" or "\\server\share\something"... with at least one folder
// below the root ("\\server\share" itself counts as a root).
bool IsAbsoluteBelowRoot(const char* normalised);

// True when the repository directory may be cleared: absolute, not a root, and
// for every protected folder neither equal to it nor above it (compared without
// regard to case).
bool IsRemovableRepositoryDirectory(const char* directory, const char* const* protectedFolders,
                                    size_t protectedCount);

}  // namespace pw
