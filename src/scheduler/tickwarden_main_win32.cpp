// Tickwarden's entry point: one scheduler per session; a second start asks the
// first to put its tray icon back and ends.
#include <windows.h>

#include "common/program_messages.h"
#include "scheduler/scheduler_process.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (RunScheduler(instance) == kAnotherSchedulerRuns) {
    if (HWND first = FindWindowA(tw::kSchedulerClass, nullptr))
      PostMessageA(first, tw::kMsgSecondInstance, 0, 0);
  }
  return 0;
}
