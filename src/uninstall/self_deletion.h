// The uninstaller's hand-off to a temporary copy of itself, which deletes the
// installed uninstaller and its folder after the uninstaller has exited, and
// has itself deleted at the next restart.
#pragma once
#ifdef _WIN32

namespace pw {

// Sets TempDirectory and copies InstallDirectory\Purgewell.exe to
// TempDirectory\purgetmp.exe, replacing an older copy.
void PrepareTemporaryCopy();

// Starts the copy with the argument text "-" + the installed file's path.
void StartTemporaryCopy();

// Finishing mode. Only when the running program is the copy the worker made
// (TempDirectory\purgetmp.exe): waits for the installed file to become
// deletable and deletes it, removes its folder and an empty maker folder above
// it, and schedules the copy's own deletion. A path that is not an absolute
// "Purgewell.exe" with the running copy's own bytes deletes nothing. Run as any
// other program it does nothing at all. Returns 0.
int FinishRemoval(const char* installedFile);

// The copy's own deletion at the next restart (ntFamily selects the method; on
// 95/98/ME a line of its own in wininit.ini's [rename] section).
void ScheduleDeletionAtRestart(const char* path, int ntFamily);

}  // namespace pw
#endif
