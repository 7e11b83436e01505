// What Tickwardenaide does for the scheduler: make sure the scheduler runs, and
// serve its requests to back up one set or to open / back up all through the
// main program. Every program it starts lies in its own directory; texts come
// from its string table.
#pragma once
#ifdef _WIN32

// Starts "<directory>\Tickwarden.exe" (quoted, no argument) unless a scheduler
// window exists; does not wait. Returns 0 when the scheduler already runs,
// kStartedProgram (main_program_launch.h) after a start, -1 when it could not
// be started.
int StartSchedulerIfAbsent(const char* directory);

// Message 1024: the set goes to the running main program, or the main program
// is started with -BackupSet=<n>, minimized, and waited for. Returns as
// HandBackupSetToMainProgram does.
int ServeBackupSetRequest(const char* directory, int setNumber);

// Message 1025: a tw::LaunchAction for the running main program, or the main
// program started with the action's switch. Returns as HandActionToMainProgram.
int ServeActionRequest(const char* directory, int action);

#endif
