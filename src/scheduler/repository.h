// Where the backup repository is, whether it is reachable, and whether the
// drives of the machine changed since the previous timer tick.
#pragma once

// Repository directory last tried: the one RepositoryConfig.txt names, or
// while that is away, its repair on another fixed disk holding
// ClientConfig.hdb; empty at start.
extern char RepositoryPath[260];

// 1 when the repository directory exists, else 0; out (260 bytes) receives the
// directory that was tried last.
int LocateRepository(char* out);

// 1 when the repository's reachability may have changed (refresh everything
// shown): a drive left, or the repository went away or came back, with or
// without a drive changing. 0 when nothing changed. Called once per timer tick.
int WatchMedia();

// 1 exactly once after the repository became reachable again, then 0.
int TakeConnectEvent();

// What the last WatchMedia found: 1 when the repository directory exists, and
// the directory it tried into out (260 bytes).
int LastLocatedRepository(char* out);

// What the drive scan and the media watch ask of the machine; the program uses
// the real calls, tests may hand in their own answers.
struct DriveProbe {
  unsigned long (*PresentDrives)();            // bit i set: drive 'A'+i exists
  unsigned (*DriveType)(const char* root);     // 3 = fixed disk
};
void SetDriveProbe(const DriveProbe* probe);   // null restores the real calls

// Forgets everything remembered (path, config time, drive count, events).
void ResetRepositoryState();
