// The Tickwarden process: start-up, the hidden window that owns the tray icon
// and receives every request, the ten-second timer tick, and shut-down.
#pragma once
#include <windows.h>
#include "common/packed_time.h"

// Returned by RunScheduler when another scheduler window already exists.
const int kAnotherSchedulerRuns = -200;

// Runs the whole scheduler on this thread; 0 after the message loop ended.
int RunScheduler(HINSTANCE instance);

LRESULT CALLBACK SchedulerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#include "scheduler/timer_tick.h"

// True when some loaded set is to run at log-off or shut-down.
bool HasShutdownSet();
