// Start-up, window procedure and shut-down of Tickwarden, with the log-off
// sequence of the at-shutdown sets. The procedure only translates messages
// into calls; the decisions live in the tick, settings, schedule, repository,
// launch and tray code.
#include "scheduler/scheduler_process.h"

#include <string.h>

#include "platform/windows_version.h"
#include "platform/bounded_text.h"
#include "common/program_directory.h"
#include "common/program_messages.h"
#include "common/single_instance.h"
#include "common/string_table.h"
#include "schedule/schedule.h"
#include "scheduler/deferred_launch.h"
#include "scheduler/end_request_watch.h"
#include "scheduler/launch.h"
#include "scheduler/repository.h"
#include "scheduler/repository_worker.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/session_identity.h"
#include "scheduler/settings_repository.h"
#include "scheduler/support_log.h"
#include "scheduler/timer_tick.h"
#include "scheduler/tray_icon.h"
#include "scheduler/ui/bitmap_resource_loader.h"
#include "scheduler/ui/pre_backup_prompt.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "scheduler/ui/tray_icon_content.h"
#include "settings/settings.h"
#include "settings/settings_reload.h"

namespace {

HINSTANCE g_instance;
char g_className[64];
UINT g_taskbarCreatedMessage;
BitmapResourceLoader* g_bitmapLoader;
SingleInstance* g_single;

// A second copy waits at most this long for the first one's window (the
// first may still be loading its settings) before it gives up.
const DWORD kFirstInstanceWaitMs = 30000;
// At log-off, how long the main program is given to open its window so that
// it learns its at-shutdown backups were started.
const DWORD kShutdownMainWindowWaitMs = 60000;
const UINT kShutdownPollMs = 250;

// The at-shutdown sets run once per scheduler life, and only after the
// scheduler itself refused a log-off.
enum class ShutdownRun { None, Refused, Running, WaitingForMainProgram, Done };
ShutdownRun g_shutdown = ShutdownRun::None;
DWORD g_shutdownWaitStart;

// What messages asked for while a launch was under way (or the menu was
// open): done once it is over, each once (launch.h's LaunchUnderWay).
struct HeldWork {
  bool Close;          // closed meanwhile: the close comes once the launch has ended
  bool ShutdownRun;    // 1030
  bool Reload;         // 1028, announcing when any of them asked to
  bool ReloadAnnounce;
  bool LateAnswer;     // the repository's worker answered
  bool Commands[3];    // the menu's Open, Backup Now, Backup and Shutdown
};
HeldWork g_held;

// A reload whose load answered late shows and announces when it answers.
bool g_loadAnnounce;
bool g_loadWasFailing;

void ShowLoaded(int result, bool wasFailing, bool announce) {
  if (result == -1) {
    TrayModify(false, 0);
    return;
  }
  TrayModify(true, NextBackupTimeNow());
  // A changed file, or one that could not be read before: the main program
  // learns the time of the list now in force.
  if ((announce || wasFailing) && SchedulerWindow())
    PostMessageA(SchedulerWindow(), tw::kMsgAnnounceNextBackup, 0, 0);
}

void ReloadAndShow(bool announce) {
  const bool wasFailing = Scheduler.Reload.LastFailed;
  int result = -1;
  switch (LoadSettingsThroughWorker(result)) {
    case RepositoryAnswer::Ready:
      ShowLoaded(result, wasFailing, announce);
      return;
    case RepositoryAnswer::Waiting:
      // Its answer comes as a message; a reload asked for meanwhile is that one.
      g_loadAnnounce = g_loadAnnounce || announce;
      g_loadWasFailing = g_loadWasFailing || wasFailing;
      return;
    case RepositoryAnswer::Stuck:
      // Earlier work hangs: offline, as a failed load shows it; the file is
      // loaded again once the repository answers (the tick sees it changed).
      TrayModify(false, 0);
      return;
  }
}

// A load that answered after the window stopped waiting (also the first one,
// when the repository was slow at start-up).
void ShowLateLoad() {
  int result = -1;
  if (LoadSettingsThroughWorker(result, 0) != RepositoryAnswer::Ready) return;
  const bool announce = g_loadAnnounce, wasFailing = g_loadWasFailing;
  g_loadAnnounce = g_loadWasFailing = false;
  ShowLoaded(result, wasFailing, announce);
}

// The first load, before the window exists: a repository that does not
// answer within the bound is offline for now, and what its load read is taken
// when it answers (the window asks at once when it is made).
void StartupLoad() {
  int result = -1;
  LoadSettingsThroughWorker(result, kRepositoryStuckMs);
}

PackedTime AnnounceNextBackup() {
  PackedTime next = NextBackupTimeNow();
  if (HWND main = FindWindowA(tw::kMainProgramClass, nullptr))
    PostMessageA(main, tw::kMsgMainNextBackupTime, 0, static_cast<LPARAM>(next));
  return next;
}

void FinishShutdown(HWND window, bool tellMainProgram) {
  KillTimer(window, SHUTDOWN_TIMER_ID);
  if (tellMainProgram) {
    if (HWND main = FindWindowA(tw::kMainProgramClass, nullptr))
      PostMessageA(main, tw::kMsgMainShutdownStarted, 0, 0);
  }
  g_shutdown = ShutdownRun::Done;
  PostMessageA(window, tw::kMsgSchedulerExit, 0, 0);
}

// Starts every at-shutdown set; the main program is told once it has a
// window (through the assistant it starts later), or not at all when every
// set was skipped or could not be started.
void RunShutdownSets(HWND window) {
  if (g_shutdown != ShutdownRun::Refused) return;  // not ours, or run already
  if (TrayMenuOpen() || LaunchUnderWay()) {
    g_held.ShutdownRun = true;
    return;
  }
  g_shutdown = ShutdownRun::Running;
  int launched = 0;
  for (BackupSetEntry* e = BackupSetList; e; e = e->next) {
    if (e->ScheduleAtShutdownFlag != 1) continue;
    const LaunchRoute route = LaunchAndLog(*e, "shutdown");
    if (route != LaunchRoute::Skipped && route != LaunchRoute::NotStarted) ++launched;
  }
  if (launched == 0 || FindWindowA(tw::kMainProgramClass, nullptr)) {
    FinishShutdown(window, launched > 0);
    return;
  }
  g_shutdown = ShutdownRun::WaitingForMainProgram;
  g_shutdownWaitStart = GetTickCount();
  SetTimer(window, SHUTDOWN_TIMER_ID, kShutdownPollMs, nullptr);
}

void WaitForMainProgramAtShutdown(HWND window) {
  if (FindWindowA(tw::kMainProgramClass, nullptr)) {
    FinishShutdown(window, true);
    return;
  }
  if (GetTickCount() - g_shutdownWaitStart >= kShutdownMainWindowWaitMs) {
    SupportLogLine("stop", "the main program opened no window within 60 s of the at-shutdown launches");
    FinishShutdown(window, false);
  }
}

// The menu's launching commands, in menu order; a launch under way holds them.
const int kTrayCommands[3] = {IDM_OPEN, IDM_BACKUP_NOW, IDM_BACKUP_AND_SHUTDOWN};
const int kTrayActions[3] = {tw::Open, tw::BackupAll, tw::BackupAllAndShutdown};

void RunTrayCommand(HWND window, int command) {
  if (command == IDM_EXIT) {
    PostMessageA(window, tw::kMsgSchedulerExit, 0, 0);
    return;
  }
  for (int i = 0; i < 3; ++i) {
    if (command != kTrayCommands[i]) continue;
    if (LaunchUnderWay()) g_held.Commands[i] = true;
    else LaunchRequest(kTrayActions[i]);
  }
}

void OnTrayCallback(HWND window, LPARAM mouseMessage) {
  if (mouseMessage == WM_MOUSEMOVE) {
    TrayNoticeSeen();
    return;
  }
  int command = 0;
  {
    OwnWaitScope wait;
    command = TrayMenu(mouseMessage);
  }
  RunTrayCommand(window, command);
}

// Names the user and session too: every logged-on user's scheduler writes
// the one log.
void LogStart() {
  const DWORD version = GetVersion();
  char text[SupportLogLineBytes], session[400];
  FormatSessionText(session, sizeof session);
  TextBuilder(text, sizeof text).Add("Tickwarden 1.0 on Windows ").Number(version & 0xFF).Add(".")
      .Number((version >> 8) & 0xFF).Add(IsNtFamilyVersion(version) ? " (NT family) in " : " (95/98/ME family) in ")
      .Add(ProgramDirectory).Add(" for ").Add(session);
  SupportLogLine("start", text);
}

// At the end, wherever the repository is now (no tick may have looked yet),
// unless it hangs: the window does not wait long for it.
void FlushLogAtStop(const char* why) {
  LogHeldRunsAtStop();
  SupportLogLine("stop", why);
  WriteSupportLogAtStop();
}

// The last line is written while the window still stands: whoever waits for
// it to go (the uninstaller) may remove the folder next.
void CloseScheduler(HWND window) {
  FlushLogAtStop(nullptr);
  TrayRemove();
  DestroyWindow(window);
}

// Once no launch is under way and the menu is closed: what came meanwhile,
// the close first and alone.
void RunHeldWork(HWND window) {
  if (LaunchUnderWay() || TrayMenuOpen() || !IsWindow(window)) return;
  const HeldWork held = g_held;
  g_held = HeldWork();
  if (held.Close) {
    CloseScheduler(window);
    return;
  }
  for (int i = 0; i < 3; ++i)
    if (held.Commands[i]) LaunchRequest(kTrayActions[i]);
  if (held.Reload) PostMessageA(window, tw::kMsgReloadSettings, held.ReloadAnnounce ? tw::kReloadThenAnnounce : 0, 0);
  if (held.LateAnswer) PostMessageA(window, SCHEDULER_MSG_REPOSITORY_ANSWERED, 0, 0);
  if (g_shutdown == ShutdownRun::None) RunHeldTick();
  if (held.ShutdownRun) PostMessageA(window, tw::kMsgRunShutdownSets, 0, 0);
}

// Work of the repository's worker that answered after the window stopped
// waiting for it.
void TakeLateAnswer() {
  switch (AnsweredLate()) {
    case LateWork::Look: {
      OwnWaitScope wait;
      TimerTick();
      return;
    }
    case LateWork::Load:
      ShowLateLoad();
      return;
    case LateWork::None:
      return;
  }
}

}  // namespace

bool HasShutdownSet() {
  for (const BackupSetEntry* e = BackupSetList; e; e = e->next)
    if (e->ScheduleAtShutdownFlag == 1) return true;
  return false;
}

namespace {

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetSchedulerWindow(window);
      // Work that answered before the window existed is taken now.
      PostMessageA(window, SCHEDULER_MSG_REPOSITORY_ANSWERED, 0, 0);
      g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
      TrayAdd(window);
      SetTimer(window, SCHEDULER_TIMER_ID, SCHEDULER_TIMER_PERIOD, nullptr);
      return 0;
    case WM_TIMER:
      if (EndIfUninstallAsks(window)) return 0;
      if (wParam == SHUTDOWN_TIMER_ID) {
        WaitForMainProgramAtShutdown(window);
        return 0;
      }
      // Once: a look at the repository has had its time to answer.
      if (wParam == REPOSITORY_TIMER_ID) KillTimer(window, REPOSITORY_TIMER_ID);
      if (g_shutdown == ShutdownRun::None) {
        OwnWaitScope wait;
        TimerTick();
      }
      return 0;
    case WM_QUERYENDSESSION:
      // Refused once to start the at-shutdown sets, and again while they
      // are being started; never a second run.
      if (g_shutdown == ShutdownRun::None && HasShutdownSet()) {
        g_shutdown = ShutdownRun::Refused;
        SupportLogLine("stop", "log-off refused once to start the at-shutdown sets");
        PostMessageA(window, tw::kMsgRunShutdownSets, 0, 0);
        return 0;
      }
      return g_shutdown == ShutdownRun::Refused || g_shutdown == ShutdownRun::Running ||
                     g_shutdown == ShutdownRun::WaitingForMainProgram
                 ? 0
                 : 1;
    case WM_TIMECHANGE: {
      OwnWaitScope wait;
      OnTimeChange();
      return 0;
    }
    case WM_POWERBROADCAST: {
      OwnWaitScope wait;
      OnPowerEvent(wParam);
      return TRUE;
    }
    case WM_CLOSE:
    case tw::kMsgSchedulerExit:
      // During a launch its prompt closes and its waits end; the window goes
      // once the launch has unwound, a moment later.
      if (LaunchUnderWay()) {
        EndLaunches("the scheduler was closed");
        g_held.Close = true;
        return 0;
      }
      CloseScheduler(window);
      return 0;
    case WM_ENDSESSION:
      // Windows may end the process as soon as this returns: nothing more
      // starts, and what a prompt held is logged now.
      if (wParam) {
        EndLaunches("the Windows session ended");
        FlushLogAtStop("the Windows session ends");
      }
      return 0;
    case WM_DESTROY:
      KillTimer(window, SCHEDULER_TIMER_ID);
      KillTimer(window, SHUTDOWN_TIMER_ID);
      KillTimer(window, REPOSITORY_TIMER_ID);
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case tw::kMsgTrayCallback:
      OnTrayCallback(window, lParam);
      return 0;
    case tw::kMsgReloadSettings: {
      // A launch under way holds entries of the list a load would replace.
      if (LaunchUnderWay()) {
        g_held.Reload = true;
        g_held.ReloadAnnounce = g_held.ReloadAnnounce || wParam == tw::kReloadThenAnnounce;
        return 0;
      }
      OwnWaitScope wait;
      ReloadAndShow(wParam == tw::kReloadThenAnnounce);
      return 0;
    }
    case tw::kMsgSecondInstance:
      TrayReadd(window);
      return 0;
    case tw::kMsgRunShutdownSets:
      RunShutdownSets(window);
      return 0;
    case tw::kMsgAnnounceNextBackup:
      return static_cast<LRESULT>(AnnounceNextBackup());
    case SCHEDULER_MSG_REPOSITORY_ANSWERED:
      if (LaunchUnderWay()) g_held.LateAnswer = true;
      else if (g_shutdown == ShutdownRun::None) TakeLateAnswer();
      return 0;
    default:
      if (g_taskbarCreatedMessage != 0 && message == g_taskbarCreatedMessage) TrayAdd(window);
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

LRESULT CALLBACK SchedulerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = HandleMessage(window, message, wParam, lParam);
  RunHeldWork(window);
  // Written by the worker once the message's work is done, so that writing
  // never delays it.
  WriteSupportLogSoon();
  return result;
}

int RunScheduler(HINSTANCE instance) {
  g_instance = instance;
  CopyText(IDS_SCHEDULER_CLASS, g_className, sizeof g_className);
  // The mutex first: the window comes only after the settings and pictures,
  // and two copies started together would both find none.
  g_single = new SingleInstance(tw::kSchedulerInstanceMutex);
  if (!g_single->WaitForOwnerToEnd(g_className, kFirstInstanceWaitMs) || FindWindowA(g_className, nullptr)) {
    delete g_single;
    g_single = nullptr;
    return kAnotherSchedulerRuns;
  }

  GetProgramDirectory(ProgramDirectory, sizeof ProgramDirectory);
  // The repository is looked for every tick, also on drives whose media may be
  // out (card reader, Zip, CD): a missing disc must read as offline, not ask
  // the user to insert one.
  SetErrorMode(SEM_FAILCRITICALERRORS);
  SchedulerTime = new DateTimeUtil();
  g_shutdown = ShutdownRun::None;
  StartTickHistory(SchedulerTime->CurrentPackedTime(), GetTickCount());
  LogStart();
  StartRepositoryWorker();
  StartupLoad();

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
  SetSchedulerWindow(nullptr);
  delete g_single;
  g_single = nullptr;
  return 0;
}
