// The scheduler's process-global state (scheduler_state.h): one place that
// defines it, below the process, the tick, the settings' repository side and
// the support log, so that none of them needs another for it.
#include "scheduler/scheduler_state.h"

#include "schedule/missed_runs.h"
#include "schedule/schedule.h"
#include "settings/settings_reload.h"

char ProgramDirectory[260];
DateTimeUtil* SchedulerTime;
SchedulerState Scheduler;

namespace {

HWND g_window;

}  // namespace

HWND SchedulerWindow() { return g_window; }

void SetSchedulerWindow(HWND window) { g_window = window; }

PackedTime SchedulerNow() {
  return SchedulerTime ? SchedulerTime->CurrentPackedTime() : DateTimeUtil().CurrentPackedTime();
}

PackedTime NextBackupTimeNow() {
  PackedTime now = SchedulerTime->CurrentPackedTime();
  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);
  return NextBackupTime(now, parts);
}
