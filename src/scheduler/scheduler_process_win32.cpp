// Start-up, window procedure, timer tick and shut-down of Tickwarden. The
// procedure only translates messages into calls; the decisions live in the
// settings, schedule, repository, launch and tray code.
#include "scheduler/scheduler_process.h"

#include <string.h>

#include "common/program_directory.h"
#include "common/program_messages.h"
#include "common/string_table.h"
#include "scheduler/bitmap_resource_loader.h"
#include "scheduler/launch.h"
#include "scheduler/pre_backup_prompt.h"
#include "scheduler/repository.h"
#include "scheduler/schedule.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/settings.h"
#include "scheduler/tick_trigger.h"
#include "scheduler/tickwarden_ids.h"
#include "scheduler/tray_icon.h"
#include "scheduler/tray_icon_content.h"

char ProgramDirectory[260];
int LastEvaluatedMinute = -1;
unsigned long LastTick = 0;
bool SettleTimePassed = false;
DateTimeUtil* SchedulerTime;

namespace {

HINSTANCE g_instance;
HWND g_window;
char g_className[64];
UINT g_taskbarCreatedMessage;
BitmapResourceLoader* g_bitmapLoader;

const unsigned long kMillisecondsPerMinute = 60000;
const PackedTime kSecondsPerMinute = 60;

// The whole minute of a time, for the once-a-minute gate.
int WholeMinute(PackedTime t) { return static_cast<int>(t / kSecondsPerMinute); }

// Nothing happens in the first minutes after Windows starts. Once they have
// passed the scheduler stays settled: the counter wrapping after 49.7 days is
// no new start. A negative settle time means none.
bool Settled(unsigned long uptimeMs) {
  if (SettleTimePassed) return true;
  const unsigned long settle = SettleTime > 0 ? static_cast<unsigned long>(SettleTime) : 0;
  if (uptimeMs >= LastTick && uptimeMs / kMillisecondsPerMinute < settle) return false;
  SettleTimePassed = true;
  return true;
}

void ReloadAndShow() {
  if (LoadSettings() == -1) {
    TrayModify(false, 0);
    return;
  }
  TrayModify(true, NextBackupTimeNow());
}

PackedTime AnnounceNextBackup() {
  PackedTime next = NextBackupTimeNow();
  if (HWND main = FindWindowA(tw::kMainProgramClass, nullptr))
    PostMessageA(main, tw::kMsgMainNextBackupTime, 0, static_cast<LPARAM>(next));
  return next;
}

void RunShutdownSets(HWND window) {
  for (BackupSetEntry* e = BackupSetList; e; e = e->next)
    if (e->ScheduleAtShutdownFlag == 1) LaunchSet(*e);
  PostMessageA(window, tw::kMsgSchedulerExit, 0, 0);
  if (HWND main = FindWindowA(tw::kMainProgramClass, nullptr))
    PostMessageA(main, tw::kMsgMainShutdownStarted, 0, 0);
}

void RunTrayCommand(HWND window, int command) {
  switch (command) {
    case IDM_OPEN: LaunchRequest(tw::Open); break;
    case IDM_BACKUP_NOW: LaunchRequest(tw::BackupAll); break;
    case IDM_BACKUP_AND_SHUTDOWN: LaunchRequest(tw::BackupAllAndShutdown); break;
    case IDM_EXIT: PostMessageA(window, tw::kMsgSchedulerExit, 0, 0); break;
    default: break;
  }
}

}  // namespace

HWND SchedulerWindow() { return g_window; }

PackedTime NextBackupTimeNow() {
  PackedTime now = SchedulerTime->CurrentPackedTime();
  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);
  return NextBackupTime(now, parts);
}

bool HasShutdownSet() {
  for (const BackupSetEntry* e = BackupSetList; e; e = e->next)
    if (e->ScheduleAtShutdownFlag == 1) return true;
  return false;
}

void TimerTick() { TimerTickAt(GetTickCount(), SchedulerTime->CurrentPackedTime()); }

void TimerTickAt(unsigned long uptimeMs, PackedTime now) {
  if (!Settled(uptimeMs)) return;
  LastTick = uptimeMs;

  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);
  char repository[260];

  int changed = WatchMedia();
  if (changed == 1) {
    if (LocateRepository(repository) == 1) {
      LoadSettings();
      TrayModify(true, NextBackupTime(now, parts));
    } else {
      TrayModify(false, 0);
      return;
    }
  } else if (WholeMinute(now) == LastEvaluatedMinute) {
    return;
  }
  LastEvaluatedMinute = WholeMinute(now);

  if (LocateRepository(repository) != 1) {
    TrayModify(false, 0);
    return;
  }
  CheckConfigChanged();

  for (BackupSetEntry* e = BackupSetList; e; e = e->next) {
    if (ChooseLaunchTrigger(*e, parts, TakeConnectEvent) == LaunchTrigger::None) continue;
    e->LastRunTime = now;
    LaunchSet(*e);
    TrayTip(NextBackupTime(now, parts));
  }

  // A shown time whose minute passed without a launch (the minute was slept
  // through, or held up by a prompt) must not stay on screen.
  const PackedTime shown = CurrentTray().NextTime;
  if (shown != 0 && WholeMinute(shown) < WholeMinute(now)) TrayTip(NextBackupTime(now, parts));
}

LRESULT CALLBACK SchedulerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      g_window = window;
      g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
      TrayAdd(window);
      SetTimer(window, SCHEDULER_TIMER_ID, SCHEDULER_TIMER_PERIOD, nullptr);
      return 0;
    case WM_TIMER:
      TimerTick();
      return 0;
    case WM_QUERYENDSESSION:
      if (HasShutdownSet()) {
        PostMessageA(window, tw::kMsgRunShutdownSets, 0, 0);
        return 0;
      }
      return 1;
    case WM_CLOSE:
    case tw::kMsgSchedulerExit:
      TrayRemove();
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      KillTimer(window, SCHEDULER_TIMER_ID);
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case tw::kMsgTrayCallback:
      RunTrayCommand(window, TrayMenu(lParam));
      return 0;
    case tw::kMsgReloadSettings:
      ReloadAndShow();
      return 0;
    case tw::kMsgSecondInstance:
      TrayReadd(window);
      return 0;
    case tw::kMsgRunShutdownSets:
      RunShutdownSets(window);
      return 0;
    case tw::kMsgAnnounceNextBackup:
      return static_cast<LRESULT>(AnnounceNextBackup());
    default:
      if (g_taskbarCreatedMessage != 0 && message == g_taskbarCreatedMessage) TrayAdd(window);
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int RunScheduler(HINSTANCE instance) {
  g_instance = instance;
  CopyText(IDS_SCHEDULER_CLASS, g_className, sizeof g_className);
  if (FindWindowA(g_className, nullptr)) return kAnotherSchedulerRuns;

  GetProgramDirectory(ProgramDirectory, sizeof ProgramDirectory);
  // The repository is looked for every tick, also on drives whose media may be
  // out (card reader, Zip, CD): a missing disc must read as offline, not ask
  // the user to insert one.
  SetErrorMode(SEM_FAILCRITICALERRORS);
  SchedulerTime = new DateTimeUtil();
  LoadSettings();

  int normalIconId = ChooseNormalIconId(GetVersion());
  g_bitmapLoader = new BitmapResourceLoader();
  BackgroundPalette = g_bitmapLoader->CreatePaletteFromBitmap(IDB_PROMPT_256);
  BackgroundBitmap = g_bitmapLoader->LoadDisplayBitmap(IDB_PROMPT_256, IDB_PROMPT_16);

  NormalTrayIcon = LoadIconA(instance, MAKEINTRESOURCEA(normalIconId));
  OfflineTrayIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_OFFLINE));

  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SchedulerWindowProc;
  wc.hInstance = instance;
  wc.hIcon = NormalTrayIcon;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = g_className;
  bool created = false;
  if (RegisterClassA(&wc)) {
    char title[64];
    CopyText(IDS_SCHEDULER_TITLE, title, sizeof title);
    created = CreateWindowExA(0, g_className, title, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                              nullptr) != nullptr;
    if (created) {
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    UnregisterClassA(g_className, instance);
  }

  // Shut-down: everything start-up created goes, and the assistant with us.
  DestroyIcon(NormalTrayIcon);
  DestroyIcon(OfflineTrayIcon);
  if (created) {
    if (HWND assistant = FindWindowA(LoadText(IDS_ASSISTANT_CLASS), nullptr))
      PostMessageA(assistant, WM_CLOSE, 0, 0);
  }
  delete SchedulerTime;
  SchedulerTime = nullptr;
  FreeBackupSetList();
  if (BackgroundBitmap) DeleteObject(BackgroundBitmap);
  BackgroundBitmap = nullptr;
  delete g_bitmapLoader;
  g_bitmapLoader = nullptr;
  BackgroundPalette = nullptr;
  g_window = nullptr;
  return 0;
}
