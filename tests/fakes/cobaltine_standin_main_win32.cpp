// Stand-in for the main backup program Cobaltine.exe, for tests and the demo.
// It owns a top-level window of class "Cobaltine" and appends to a log what the
// scheduler side does to it, one line each:
//   start <show state> <command line>
//   msg <number> <wParam> <lParam>        for 33568, 33570, 33470 and WM_CLOSE
//   exit
// The log is %COBALTINE_LOG%, or Cobaltine.log beside the executable.
// Behaviour switches for tests, from the environment:
//   COBALTINE_WINDOW_DELAY_MS=n  wait n ms before creating the window
//   COBALTINE_IGNORE_CLOSE=1     log WM_CLOSE but stay open
//   COBALTINE_HANG_ON_CLOSE=1    stop answering messages when WM_CLOSE arrives
//   COBALTINE_EXIT_AT_ONCE=1     log the start and exit without a window
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "standin_log.h"

namespace {

using standin::LogLine;

bool EnvFlag(const char* name) {
  char v[16];
  DWORD n = GetEnvironmentVariableA(name, v, sizeof v);
  return n > 0 && n < sizeof v && v[0] == '1';
}

int EnvInt(const char* name) {
  char v[16];
  DWORD n = GetEnvironmentVariableA(name, v, sizeof v);
  return (n > 0 && n < sizeof v) ? atoi(v) : 0;
}

void LogMessage(UINT msg, WPARAM wp, LPARAM lp) {
  char line[96];
  snprintf(line, sizeof line, "msg %u %lu %ld", msg, (unsigned long)wp, (long)lp);
  LogLine(line);
}

LRESULT CALLBACK StandInProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case 33568:
    case 33570:
    case 33470:
      LogMessage(msg, wp, lp);
      return 0;
    case WM_CLOSE:
      LogMessage(msg, wp, lp);
      if (EnvFlag("COBALTINE_HANG_ON_CLOSE")) {
        for (;;) Sleep(1000);
      }
      if (EnvFlag("COBALTINE_IGNORE_CLOSE")) return 0;
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
  standin::ChooseLogPath("COBALTINE_LOG", "Cobaltine.log");

  STARTUPINFOA si;
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
  char line[1200];
  snprintf(line, sizeof line, "start %d %s", show, GetCommandLineA());
  LogLine(line);
  if (EnvFlag("COBALTINE_EXIT_AT_ONCE")) {
    LogLine("exit");
    return 0;
  }
  int delay = EnvInt("COBALTINE_WINDOW_DELAY_MS");
  if (delay > 0) Sleep(delay);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = StandInProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszClassName = "Cobaltine";
  if (!RegisterClassA(&wc)) return 1;
  HWND wnd = CreateWindowExA(0, "Cobaltine", "Cobaltine (stand-in)", WS_OVERLAPPEDWINDOW, 40, 40, 320, 160,
                             nullptr, nullptr, instance, nullptr);
  if (!wnd) return 1;
  ShowWindow(wnd, show >= 0 ? show : SW_SHOWNORMAL);

  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  LogLine("exit");
  return 0;
}
