// The operating system's file calls, as the file layer (database/file_manager.h)
// asks for them: opening a file in one of four modes, the file tests, delete,
// copy and attributes, and the clock of file times. Windows: the ANSI Win32
// calls (system_files_win32.cpp). Natively POSIX (system_files_posix.cpp), for
// tests, tools and fuzzing: sharing and attributes have no POSIX counterpart
// and are not emulated, and file tests match an exact path (no wildcards).
#pragma once
#include <stdint.h>

#include "platform/opened_file.h"

// Open modes (low 16 bits of the mode argument) and what others may do
// meanwhile on Windows:
//   OpenCreate     read/write; create or truncate           others may read
//   OpenReadOnly   read; the file must exist                others may read
//   OpenReadWrite  read/write; open or create               others may read
//   OpenAppend     read/write; open or create, then to its end; others may read
// Any other mode opens as OpenReadOnly. A read-only open that meets a sharing
// violation tries once more through _lopen in read mode (compatibility mode
// on 95/98/ME, reading and writing shared on the NT family).
const int OpenCreate = 0;
const int OpenReadOnly = 1;
const int OpenReadWrite = 2;
const int OpenAppend = 3;
// Flags (high bits of the mode argument).
// A read-only open that lets others write meanwhile, for a reader that
// confirms what it read (a snapshot, database/file_snapshot.h): a writer may
// hold the file, or open it during the read. Refused for a sharing violation
// all the same, it falls back as a read-only open does: a file that an old
// program holds in compatibility mode on 95/98/ME opens only so. No effect on
// the other modes.
const int OpenShareWrite = 0x10000;
const int OpenDetailedErrors = 0x20000;
const int OpenBackupSemantics = 0x40000;
const int OpenBackupSemanticsAlt = 0x80000;
const int OpenModeMask = 0xFFFF;

// Opens path as modeAndFlags says, with the backup-semantics flag of the NT
// family when backupSemantics is set. Null on failure, with *why set to
// FileErrorSharing, FileErrorAccessDenied or FileErrorGeneral.
OpenedFile* OpenSystemFile(const char* path, int modeAndFlags, bool backupSemantics, int* why);

// A directory search for path: true when it finds an entry (on Windows a
// directory or a wildcard pattern counts when something matches).
bool SystemFileFound(const char* path);
// The broken-down local time of a file's last write.
struct LocalFileTime {
  uint16_t Year, Month, Day, Hour, Minute, Second;
};
// The time path was last written, in local time; false when it is not there.
bool SystemFileWriteTime(const char* path, LocalFileTime* local);
// Each true on success.
bool RemoveSystemFile(const char* path);
bool CopySystemFile(const char* from, const char* to);  // replacing to
bool MakeSystemFileNormal(const char* path);  // read-only, hidden and system cleared
// Now, by the clock and in the units of OpenFileStamp::LastWrite.
uint64_t StampClockNow();

// How a read-only open that met a sharing violation opens the file again:
// _lopen in read mode, returning what _lopen returns (-1 on failure). Under
// Wine its compatibility mode shares reading and writing in every version,
// while on 95/98/ME it fails against another program's open for writing;
// tests put a stand-in that keeps that rule here. Null puts _lopen back.
// Returns the function it replaces.
#ifdef _WIN32
typedef int (*CompatibilityOpenFunction)(const char* path);
CompatibilityOpenFunction SetCompatibilityOpen(CompatibilityOpenFunction open);
#endif
