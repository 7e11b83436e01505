// The front window and the last input, through user32; what Windows 95 and
// NT 4.0 lack (monitors, the last input) is found at run time.
#include "scheduler/foreground_window.h"

#include <string.h>

#include "schedule/deferred_runs.h"
#include "scheduler/system_function.h"

namespace {

typedef HMONITOR(WINAPI* MonitorFromWindowFunction)(HWND, DWORD);
typedef BOOL(WINAPI* GetMonitorInfoFunction)(HMONITOR, MONITORINFO*);
typedef BOOL(WINAPI* GetLastInputInfoFunction)(LASTINPUTINFO*);

const char kUser[] = "user32.dll";
const UINT kScreenSaverRunning = 0x0072;  // SPI_GETSCREENSAVERRUNNING (98, 2000 and later)
const DWORD kNearestMonitor = 0x00000002;  // MONITOR_DEFAULTTONEAREST
const unsigned long kMillisecondsPerMinute = 60000;

// Windows that are in front without being a program the user looks at.
const char* const kShellClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "#32769"};
const char kScreenSaverClass[] = "WindowsScreenSaverClass";

// The monitor a window is on, or the primary screen where there are no monitor functions.
RECT MonitorOf(HWND window) {
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  MonitorFromWindowFunction monitorOf = SystemFunction<MonitorFromWindowFunction>(kUser, "MonitorFromWindow");
  GetMonitorInfoFunction info = SystemFunction<GetMonitorInfoFunction>(kUser, "GetMonitorInfoA");
  if (monitorOf == nullptr || info == nullptr) return screen;
  HMONITOR monitor = monitorOf(window, kNearestMonitor);
  MONITORINFO mi;
  memset(&mi, 0, sizeof mi);
  mi.cbSize = sizeof mi;
  if (monitor == nullptr || !info(monitor, &mi)) return screen;
  return mi.rcMonitor;
}

bool ScreenSaverRunning() {
  BOOL running = FALSE;
  return SystemParametersInfoA(kScreenSaverRunning, 0, &running, 0) && running;
}

}  // namespace

FrontWindow LookAtFrontWindow() {
  FrontWindow front = {false, ScreenSaverRunning()};
  HWND window = GetForegroundWindow();
  if (front.ScreenSaver || window == nullptr || !IsWindowVisible(window)) return front;
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (strcmp(cls, kScreenSaverClass) == 0) {
    front.ScreenSaver = true;
    return front;
  }
  for (const char* shell : kShellClasses)
    if (strcmp(cls, shell) == 0) return front;
  if ((static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & WS_CAPTION) == WS_CAPTION) return front;
  RECT r;
  if (!GetWindowRect(window, &r)) return front;
  const RECT m = MonitorOf(window);
  front.FullScreen = r.left <= m.left && r.top <= m.top && r.right >= m.right && r.bottom >= m.bottom;
  return front;
}

bool IdleTimeKnown() { return SystemFunction<GetLastInputInfoFunction>(kUser, "GetLastInputInfo") != nullptr; }

long IdleMinutesNow() {
  GetLastInputInfoFunction last = SystemFunction<GetLastInputInfoFunction>(kUser, "GetLastInputInfo");
  LASTINPUTINFO info;
  info.cbSize = sizeof info;
  if (last == nullptr || !last(&info)) return -1;
  // Both are the millisecond count since Windows started, which wraps.
  return static_cast<long>(MillisecondsSince(GetTickCount(), info.dwTime) / kMillisecondsPerMinute);
}
