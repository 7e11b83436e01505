// Where the backup repository is, whether it is reachable, and whether the
// drives of the machine changed since the previous timer tick.
#pragma once

// Repository directory as last read from RepositoryConfig.txt or repaired by
// the drive scan; empty at start.
extern char RepositoryPath[260];

// 1 when the repository directory exists, else 0; out (260 bytes) receives the
// directory that was tried last.
int LocateRepository(char* out);

// 1 when the repository's reachability may have changed (refresh everything
// shown), 0 when nothing changed. Called once per timer tick.
int WatchMedia();

// 1 exactly once after the repository became reachable again, then 0.
int TakeConnectEvent();

// What the drive scan and the media watch ask of the machine; the program uses
// the real calls, tests may hand in their own answers.
struct DriveProbe {
  unsigned long (*PresentDrives)();            // bit i set: drive 'A'+i exists
  unsigned (*DriveType)(const char* root);     // 3 = fixed disk
};
void SetDriveProbe(const DriveProbe* probe);   // null restores the real calls

// Forgets everything remembered (path, config time, drive count, events).
void ResetRepositoryState();
