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
};

// Always 0. Blocks while the prompt is open and, when it starts the main
// program, until that program's window exists (about 10 s at most).
int LaunchSet(const BackupSetEntry& entry);
// LaunchSet, telling which way the set went.
LaunchRoute LaunchSetVia(const BackupSetEntry& entry);
// "assistant", "main window", ... for the support log.
const char* LaunchRouteText(LaunchRoute route);

// Always 0; never waits. action: 0 open, 1 back up all, 2 back up all and shut down.
int LaunchRequest(int action);
