// Stand-in for the scheduler Tickwarden.exe, for tests of programs that start it
// or look for it. It owns a hidden window of class "CobaltineSchedulerClass"
// and appends one line per event to a log:
//   start <command line>
//   msg 16 0 0        when WM_CLOSE arrives (the window then closes)
//   exit
// The log is %TICKWARDEN_STANDIN_LOG%, or TickwardenStandIn.log beside the
// executable.
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

char g_logPath[MAX_PATH];

void LogLine(const char* text) {
  // Reopened for every line so a test can read the log while we run.
  HANDLE f = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  SetFilePointer(f, 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(f, text, (DWORD)strlen(text), &written, nullptr);
  WriteFile(f, "\r\n", 2, &written, nullptr);
  CloseHandle(f);
}

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
  DWORD n = GetEnvironmentVariableA("TICKWARDEN_STANDIN_LOG", g_logPath, sizeof g_logPath);
  if (n == 0 || n >= sizeof g_logPath) {
    n = GetModuleFileNameA(nullptr, g_logPath, sizeof g_logPath);
    char* slash = strrchr(g_logPath, '\\');
    if (slash && (size_t)(slash - g_logPath) + 23 < sizeof g_logPath) strcpy(slash + 1, "TickwardenStandIn.log");
  }
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
  LogLine("exit");
  return 0;
}
