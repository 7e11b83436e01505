// Getting the main backup program to do a request: post it to the program's
// window when that exists, otherwise start the program with the request's
// command-line switch. The scheduler calls these after it found no assistant
// window; the assistant calls them directly for each request the scheduler
// hands it. Both compile this file in, so the program sees the same messages
// and command lines by either road.
#pragma once
#ifdef _WIN32
#include <windows.h>

// Results of the two requests.
constexpr int kHandedToRunningProgram = 0;  // posted to (or shown) the running program
constexpr int kStartedProgram = 1;          // the program was started with the request
// -1: the program was not running and could not be started (or its path did
// not fit); nothing is reported to the user either way.

// Backs up one set: posts 33568 (1, setNumber) to a window of mainClass, or
// starts "<directory>\<mainFile>" -BackupSet=<n> minimized and waits until its
// window exists, it ends, or about 10 seconds have passed. Without a window,
// a main program started here within kRecentStartMilliseconds that still runs
// is waited for first (both requests), so that it gets the request.
int HandBackupSetToMainProgram(const char* directory, const char* mainClass, const char* mainFile,
                               int setNumber);

// Opens the program or backs up all sets (tw::LaunchAction): posts 33568 (0, 0)
// for BackupAll, 33568 (0, 1) for BackupAllAndShutdown, or shows and raises the
// window for any other value; without a window starts the program with the
// action's switch (none for Open) and does not wait.
int HandActionToMainProgram(const char* directory, const char* mainClass, const char* mainFile,
                            int action);

// A main program this process started less than this long ago, and that still
// runs, is waited for (its window) before another request starts a second one.
constexpr DWORD kRecentStartMilliseconds = 30000;

// Polls for a window of mainClass: at most 500 rounds of a 20 ms wait on the
// process, ending early when the window exists or the wait ends other than by
// its time-out (the process ended, or there is none, or this program is
// ending). Every wait here dispatches this thread's messages
// (common/message_wait.h): the caller's window keeps answering, and guards
// what a message may start meanwhile. Once EndMessageWaits was called,
// nothing is started (-1).
void WaitForMainWindow(const char* mainClass, HANDLE process);
#endif
