// Process-global state of the scheduler that several of its parts share, all
// owned by the window thread: created at start-up, released at shut-down.
#pragma once
#ifdef _WIN32
#include <windows.h>
#endif
#include "common/packed_time.h"
#include "schedule/missed_runs.h"
#include "settings/settings_reload.h"

// Directory of the running Tickwarden.exe, without a trailing '\'.
extern char ProgramDirectory[260];

// What the timer tick and the settings loads carry from one tick to the
// next. One object, so that start-up and a test begin from a fresh one.
struct SchedulerState {
  // The whole minute (packed time / 60) of the last schedule evaluation, so
  // that a tick whole hours later is still a new minute; -1 makes the next
  // tick evaluate. Every settings load sets it to -1.
  int LastEvaluatedMinute = -1;
  // Millisecond uptime of the previous tick.
  unsigned long LastTick = 0;
  // Set once the settle time after Windows started has passed; stays set, so
  // a wrapped millisecond counter does not blank the scheduler again.
  bool SettleTimePassed = false;
  // What the scheduler knows of the time between its evaluations (missed runs).
  EvaluationHistory History;
  // How ClientConfig.hdb loads went, for deciding when to load it again.
  SettingsReloadState Reload;
};
extern SchedulerState Scheduler;

// The scheduler's timestamp object (exists from start-up to shut-down).
extern DateTimeUtil* SchedulerTime;

// The current local time of SchedulerTime (of a fresh clock before start-up,
// as tests call the parts without it).
PackedTime SchedulerNow();
// NextBackupTime over the loaded sets for the current time of SchedulerTime.
PackedTime NextBackupTimeNow();

#ifdef _WIN32
// The scheduler's hidden window, or null before it exists and after it went.
HWND SchedulerWindow();
void SetSchedulerWindow(HWND window);
#endif
