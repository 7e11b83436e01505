// Tray icon: added when the window is created and whenever the shell or a
// second instance asks, switched between the normal and the offline picture,
// and the right-click menu. A busy shell (a crowded log-on) gives up on a call
// after a few seconds and answers FALSE: an icon it did not take is added
// again on the next ticks and by the next change, with what it should show.
#include "scheduler/tray_icon.h"

#include <shellapi.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "common/program_messages.h"
#include "scheduler/repository.h"
#include "scheduler/repository_worker.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "scheduler/ui/tray_icon_content.h"

HICON NormalTrayIcon;
HICON OfflineTrayIcon;

namespace {

// The first, 88-byte form of the record, which every shell version accepts.
const DWORD kNotifyRecordSize = 88;
const char kOfflineTip[] = "Backup media offline";
const char kIdleTip[] = "Tickwarden";
const char kNextTipPrefix[] = "Next backup at ";

HWND g_trayWindow;
TrayShown g_shown;
bool g_removed;  // the scheduler took its icon away at exit: nothing adds it back
// A balloon for an icon the shell did not hold, shown once it does.
bool g_balloonWaiting;
char g_balloonTitle[64];
char g_balloonText[256];
bool g_menuOpen;
char g_noticeTip[kTooltipFieldSize];
bool g_noticeSeen;  // the tooltip still carries a notice the user has seen
DWORD g_shellMajor;  // 0 until asked

// The second form of the notification record (shell version 5), which adds
// the balloon; declared here since the headers offer it only for newer targets.
struct NotifyRecordV2 {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  CHAR szTip[128];
  DWORD dwState;
  DWORD dwStateMask;
  CHAR szInfo[256];
  UINT uTimeout;
  CHAR szInfoTitle[64];
  DWORD dwInfoFlags;
};
const UINT kNotifyInfo = 0x10;        // NIF_INFO
const DWORD kBalloonInfoIcon = 1;     // NIIF_INFO
const UINT kBalloonTimeoutMs = 30000;

struct ShellVersionInfo {
  DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
};
typedef HRESULT(CALLBACK* DllGetVersionFunction)(ShellVersionInfo*);

// The major version shell32 reports; 4 for the first shells, which have no
// DllGetVersion.
DWORD ShellMajorVersion() {
  HMODULE shell = GetModuleHandleA("shell32.dll");
  if (shell == nullptr) return 4;
  DllGetVersionFunction get =
      reinterpret_cast<DllGetVersionFunction>(reinterpret_cast<void (*)()>(GetProcAddress(shell, "DllGetVersion")));
  if (get == nullptr) return 4;
  ShellVersionInfo info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  return get(&info) == S_OK ? info.dwMajorVersion : 4;
}

void ShowBalloon(const char* title, const char* text);

BOOL Call(DWORD action, NOTIFYICONDATAA& data) {
  g_shown.LastCallSucceeded = Shell_NotifyIconA(action, &data);
  return g_shown.LastCallSucceeded;
}

// The icon with everything it should show, for a shell that does not hold it:
// an add, or a change when the shell held it after all (its answer was lost).
void AddAsShown() {
  NOTIFYICONDATAA data;
  memset(&data, 0, sizeof data);
  data.cbSize = kNotifyRecordSize;
  data.hWnd = g_trayWindow;
  data.uID = TRAY_ICON_ID;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = tw::kMsgTrayCallback;
  data.hIcon = g_shown.Icon ? g_shown.Icon : NormalTrayIcon;
  memcpy(data.szTip, g_shown.Tip, sizeof g_shown.Tip);
  g_shown.Added = Call(NIM_ADD, data) || Call(NIM_MODIFY, data);
  if (g_shown.Added && g_balloonWaiting) {
    g_balloonWaiting = false;
    ShowBalloon(g_balloonTitle, g_balloonText);
  }
}

void Notify(DWORD action, UINT flags, HICON icon, const char* tip) {
  NOTIFYICONDATAA data;
  memset(&data, 0, sizeof data);
  data.cbSize = kNotifyRecordSize;
  data.hWnd = g_trayWindow;
  data.uID = TRAY_ICON_ID;
  data.uFlags = flags;
  data.uCallbackMessage = tw::kMsgTrayCallback;
  data.hIcon = icon;
  // A notice waiting in the tooltip stands in for the usual text until seen.
  if (tip && g_shown.NoticeInTip) tip = g_noticeTip;
  if (tip) FitTooltip(tip, data.szTip, kTooltipFieldSize);
  if (action == NIM_DELETE) {
    Call(action, data);
    g_shown.Added = false;
    return;
  }
  // What the icon should show, whether or not the shell takes it now.
  if (flags & NIF_ICON) g_shown.Icon = icon;
  if (flags & NIF_TIP) {
    memcpy(g_shown.Tip, data.szTip, sizeof g_shown.Tip);
    if (!g_shown.NoticeInTip) g_noticeSeen = false;
  }
  if (action == NIM_ADD || !g_shown.Added) {
    if (!g_removed) AddAsShown();
    return;
  }
  // A change the shell refused: its icon may be gone; the next tick adds it.
  if (!Call(action, data)) g_shown.Added = false;
}

void ShowBalloon(const char* title, const char* text) {
  NotifyRecordV2 data;
  memset(&data, 0, sizeof data);
  data.cbSize = sizeof data;
  data.hWnd = g_trayWindow;
  data.uID = TRAY_ICON_ID;
  data.uFlags = kNotifyInfo;
  data.uTimeout = kBalloonTimeoutMs;
  data.dwInfoFlags = kBalloonInfoIcon;
  FitTooltip(title, data.szInfoTitle, sizeof data.szInfoTitle);
  FitTooltip(text, data.szInfo, sizeof data.szInfo);
  Call(NIM_MODIFY, *reinterpret_cast<NOTIFYICONDATAA*>(&data));
}

void AddWithState(bool online) {
  char tip[kTooltipFieldSize];
  if (online) {
    g_shown.NextTime = NextBackupTimeNow();
    ComposeTooltip(g_shown.NextTime, tip, sizeof tip);
    Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP, NormalTrayIcon, tip);
  } else {
    g_shown.NextTime = 0;
    Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP, OfflineTrayIcon, kOfflineTip);
  }
}

}  // namespace

const TrayShown& CurrentTray() { return g_shown; }

bool TrayMenuOpen() { return g_menuOpen; }

bool ShellHasBalloons() {
  // Asked once; a plain global, as everything here runs on the window thread.
  if (g_shellMajor == 0) g_shellMajor = ShellMajorVersion();
  return g_shellMajor >= 5;
}

void SetShellMajorVersion(unsigned long major) { g_shellMajor = major; }

void TrayNotice(const char* title, const char* text, const char* shortTip) {
  if (ShellHasBalloons()) {
    if (!g_shown.Added && !g_removed) AddAsShown();
    if (g_shown.Added) {
      ShowBalloon(title, text);
      return;
    }
    // Told once the shell takes the icon.
    g_balloonWaiting = true;
    CopyBounded(g_balloonTitle, sizeof g_balloonTitle, title);
    CopyBounded(g_balloonText, sizeof g_balloonText, text);
    return;
  }
  FitTooltip(shortTip, g_noticeTip, sizeof g_noticeTip);
  g_shown.NoticeInTip = true;
  Notify(NIM_MODIFY, NIF_TIP, nullptr, g_noticeTip);
}

void TrayNoticeSeen() {
  if (!g_shown.NoticeInTip) return;
  g_shown.NoticeInTip = false;
  g_noticeSeen = true;
}

bool TrayTipOutdated(PackedTime nextTime) {
  if (g_shown.NoticeInTip || g_shown.Icon != NormalTrayIcon) return false;
  return g_noticeSeen || g_shown.NextTime != nextTime;
}

void ComposeTooltip(PackedTime nextTime, char* out, size_t outSize) {
  if (nextTime == 0) {
    CopyBounded(out, outSize, kIdleTip);
    return;
  }
  char full[16 + 200];
  CopyBounded(full, sizeof full, kNextTipPrefix);
  size_t used = strlen(full);
  SchedulerTime->FormatPackedTime(nextTime, full + used, static_cast<unsigned>(sizeof full - used));
  FitTooltip(full, out, outSize);
}

void TrayAdd(HWND window) {
  g_trayWindow = window;
  g_removed = false;
  char repository[260];
  AddWithState(LocateRepositoryNow(repository) == 1);
}

void TrayReadd(HWND window) {
  g_trayWindow = window;
  g_removed = false;
  char repository[260];
  bool online = LocateRepositoryNow(repository) == 1;
  Notify(NIM_DELETE, 0, nullptr, nullptr);
  AddWithState(online);
}

void TrayModify(bool online, PackedTime nextTime) {
  g_shown.NextTime = online ? nextTime : 0;
  if (online) {
    char tip[kTooltipFieldSize];
    ComposeTooltip(nextTime, tip, sizeof tip);
    Notify(NIM_MODIFY, NIF_ICON | NIF_TIP, NormalTrayIcon, tip);
  } else {
    Notify(NIM_MODIFY, NIF_ICON | NIF_TIP, OfflineTrayIcon, kOfflineTip);
  }
}

void TrayTip(PackedTime nextTime) {
  g_shown.NextTime = nextTime;
  char tip[kTooltipFieldSize];
  ComposeTooltip(nextTime, tip, sizeof tip);
  Notify(NIM_MODIFY, NIF_TIP, nullptr, tip);
}

void TrayRemove() {
  Notify(NIM_DELETE, 0, nullptr, nullptr);
  g_removed = true;
  g_balloonWaiting = false;
}

void TrayAddIfMissing() {
  if (!g_shown.Added && !g_removed && g_trayWindow && IsWindow(g_trayWindow)) AddAsShown();
}

int TrayMenu(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDBLCLK) return IDM_OPEN;
  if (mouseMessage != WM_RBUTTONUP) return 0;

  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
  if (!menu) return 0;
  HMENU popup = GetSubMenu(menu, 0);
  int command = 0;
  if (popup) {
    SetForegroundWindow(g_trayWindow);
    POINT cursor;
    GetCursorPos(&cursor);
    SetMenuDefaultItem(popup, IDM_OPEN, FALSE);
    const UINT kTrackFlags = TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_NONOTIFY | TPM_RETURNCMD;
    g_menuOpen = true;
    command = TrackPopupMenu(popup, kTrackFlags, cursor.x, cursor.y, 0, g_trayWindow, nullptr);
    g_menuOpen = false;
    PostMessageA(g_trayWindow, WM_NULL, 0, 0);
  }
  DestroyMenu(menu);
  return command;
}
