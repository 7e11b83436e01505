// Getting the main backup program to do the work: one backup set after the
// pre-backup prompt, or a request from the tray menu. Each goes to the
// assistant's window, else to the main program's window, else starts it.
#pragma once
#include "settings/backup_set.h"

// What became of one set's launch.
enum class LaunchRoute {
  Skipped,         // the user chose Skip in the prompt
  Assistant,       // handed to the assistant's window
  MainWindow,      // posted to the running main program
  StartedProcess,  // the main program was started with -BackupSet=
  NotStarted,      // none of the three: the main program could not be started
  Ended,           // the scheduler ended first (closed, end of session): not started
};

// Always 0. Returns once the prompt has closed and, when it starts the main
// program, once that program's window exists (about 10 s at most). The window
// thread answers its messages meanwhile; see LaunchUnderWay.
int LaunchSet(const BackupSetEntry& entry);
// LaunchSet, telling which way the set went; trigger names the launch when
// EndLaunches has to tell of it.
LaunchRoute LaunchSetVia(const BackupSetEntry& entry, const char* trigger = "");
// "assistant", "main window", ... for the support log.
const char* LaunchRouteText(LaunchRoute route);

// Always 0; waits only for a main program started just before (at most 30 s),
// answering messages meanwhile. action: 0 open, 1 back up all, 2 back up all and shut down.
int LaunchRequest(int action);

// True while a launch waits for its prompt or for the main program. The window
// answers every message meanwhile, and whatever would start a launch or change
// the list under it (a tick, a reload, the at-shutdown sets, the menu's
// commands) waits until it is done: one prompt at a time.
bool LaunchUnderWay();

// The scheduler ends (why: "the scheduler was closed", "the Windows session
// ended"): an open prompt closes, the waits of the launch under way end, and
// nothing is launched from now on. A set whose prompt was open is logged at
// once as not started, since the process may end any moment after.
void EndLaunches(const char* why);
// Whether EndLaunches was called; and whether it logged the last launch already.
bool LaunchesEnded();
bool LastLaunchLogged();
