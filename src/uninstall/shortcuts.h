// Deleting the product's shortcuts from the Programs menu, the Startup folder
// and the desktop: the all-users folder on the NT family, the user's own
// otherwise (or when the all-users folder cannot be found).
#pragma once
#ifdef _WIN32

namespace pw {

// Each deletes name + ".lnk" from its folder without touching its attributes.
// Returns 0, or -1 when no folder of that kind could be found.
int DeleteProgramsShortcut(const char* name);
int DeleteStartupShortcut(const char* name);
int DeleteDesktopShortcut(const char* name);

// The folder the three use: the all-users one (commonCsidl) when ntFamily is 1
// and it exists, else the user's (userCsidl). Returns false when neither is
// found. out holds MAX_PATH bytes.
bool FindShortcutFolder(int commonCsidl, int userCsidl, int ntFamily, char* out);

}  // namespace pw
#endif
