// Stand-in for the scheduler Tickwarden.exe, for tests of programs that start it
// or look for it. It owns a hidden window of class "CobaltineSchedulerClass"
// and appends one line per event to a log:
//   start <command line>
//   msg 16 0 0        when WM_CLOSE arrives (the window then closes)
//   exit
// The log is %TICKWARDEN_STANDIN_LOG%, or TickwardenStandIn.log beside the
// executable. With TICKWARDEN_STANDIN_LINGER_MS=n it stays n ms after its
// window has gone before it ends, as a scheduler whose last work waits on a
// network that does not answer.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "standin_log.h"

namespace {

using standin::LogLine;

LRESULT CALLBACK StandInProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      LogLine("msg 16 0 0");
      DestroyWindow(wnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  standin::ChooseLogPath("TICKWARDEN_STANDIN_LOG", "TickwardenStandIn.log");
  char line[1200];
  snprintf(line, sizeof line, "start %s", GetCommandLineA());
  LogLine(line);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = StandInProc;
  wc.hInstance = instance;
  wc.lpszClassName = "CobaltineSchedulerClass";
  if (!RegisterClassA(&wc)) return 1;
  if (!CreateWindowExA(0, "CobaltineSchedulerClass", "CobaltineScheduler", WS_POPUP, 0, 0, 1, 1, nullptr,
                       nullptr, instance, nullptr))
    return 1;
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  char linger[16];
  DWORD n = GetEnvironmentVariableA("TICKWARDEN_STANDIN_LINGER_MS", linger, sizeof linger);
  if (n > 0 && n < sizeof linger) Sleep(static_cast<DWORD>(atoi(linger)));
  LogLine("exit");
  return 0;
}
