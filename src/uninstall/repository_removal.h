// The user's backup repository: where it is, and removing what the product
// keeps in it.
#pragma once
#ifdef _WIN32
#include <windows.h>
#include <stddef.h>

namespace pw {

// Reads the repository directory from the installation folder's
// RepositoryConfig.txt (section "Repository", key "Path"); a missing or empty
// value gives the installation folder's "data". Returns false, with out empty,
// when the directory must not be cleared: not absolute, a drive or share root,
// the Windows or system folder or a folder above them, or longer than 259
// characters.
bool FindRepositoryDirectory(const char* installDirectory, char* out, size_t outSize);

// Clears the folder "Repository" in directory (one progress step per listed
// entry, sent to the dialog's progress bar from position upward), then the
// folders "Logs", "Reports", "System" and the product's files in it, and
// finally the directory itself when it is empty. Returns 0.
int RemoveRepository(const char* directory, HWND dialog, int position);

}  // namespace pw
#endif
