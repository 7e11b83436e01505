// The ten-second timer tick and what bears on it: the settle time, the
// once-a-minute gate, the media watch, the launches of due sets and of held
// and missed daily runs, and the clock, power and own-wait events that tell
// missed runs apart. Runs on the window thread only.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "common/packed_time.h"
#include "scheduler/launch.h"
#include "scheduler/scheduler_state.h"
#include "settings/backup_set.h"

// One timer tick with the clock read here.
void TimerTick();
// The tick itself: uptimeMs is the millisecond count since Windows started,
// now the current local time.
void TimerTickAt(unsigned long uptimeMs, PackedTime now);

// The scheduler starts: the first evaluation will look back for missed runs.
void StartTickHistory(PackedTime now, unsigned long uptimeMs);

// The window thread was busy from `from` to now (a prompt, a load, the menu):
// daily sets due meanwhile run when it is free again, without counting as missed.
void NoteOwnWait(PackedTime from);
// Notes the window thread's time within its scope as an own wait.
class OwnWaitScope {
 public:
  OwnWaitScope() : from_(SchedulerNow()) {}
  ~OwnWaitScope() { NoteOwnWait(from_); }
  OwnWaitScope(const OwnWaitScope&) = delete;
  OwnWaitScope& operator=(const OwnWaitScope&) = delete;

 private:
  const PackedTime from_;
};

// WM_TIMECHANGE: the clock was set; evaluate at once.
void OnTimeChange();
// WM_POWERBROADCAST: suspend and resume (the APM forms of Windows 95 too).
void OnPowerEvent(WPARAM event);
// A tick that came while the tray menu was open runs once it closes.
void RunHeldTick();

// Launches one set and writes the prompt's and the launch's support-log lines;
// note, when given, ends the launch line.
LaunchRoute LaunchAndLog(const BackupSetEntry& e, const char* trigger, const char* note = nullptr);

#endif
