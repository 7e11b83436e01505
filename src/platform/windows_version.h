// Which family of Windows runs the program: the NT family (NT 4.0, 2000, XP
// and later) or 95, 98 and ME. The programs branch on it for the service
// manager, shortcut folders, restart deletion and file-open flags; every such
// branch asks here.
#pragma once

// Whether GetVersion()'s answer names the NT family (its top bit is clear).
bool IsNtFamilyVersion(unsigned long versionWord);

// The family of the running system, asked once. The native build of tools
// and tests counts as the NT family.
bool IsNtFamily();
