// The user's backup repository: where it is, and removing what the product
// keeps in it.
#pragma once
#ifdef _WIN32
#include <windows.h>
#include <stddef.h>

namespace pw {

// Reads the repository directory from the installation folder's
// RepositoryConfig.txt (section "Repository", key "Path"); a missing or empty
// value gives the installation folder's "data". Returns false when the
// directory must not be cleared (see IsClearableFolder; also a path longer
// than 259 characters); out then holds the folder as named, cut to fit, for
// telling the user which one was kept.
bool FindRepositoryDirectory(const char* installDirectory, char* out, size_t outSize);

// True when directory is absent because the disk or share it lies on is not
// there (an unplugged drive, a lost network connection): the backups may well
// still exist, so the user must be told that they were not removed. A folder
// missing from a disk that is there is not unreachable.
bool IsUnreachableFolder(const char* directory);

// Clears the folder "Repository" in directory (one progress step per listed
// entry, sent to the dialog's progress bar from position upward), then the
// folders "Logs", "Reports", "System" and the product's files in it, and
// finally the directory itself when it is empty. A directory reached through
// links is cleared like any other; one that is itself a link is cleared
// through it, and its removal then takes the link, not the folder it led to.
// Links met inside are removed as links (DeleteTree). Returns 0.
int RemoveRepository(const char* directory, HWND dialog, int position);

}  // namespace pw
#endif
