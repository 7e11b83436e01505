// Tray icon: added when the window is created and whenever the shell or a
// second instance asks, switched between the normal and the offline picture,
// and the right-click menu.
#include "scheduler/tray_icon.h"

#include <shellapi.h>
#include <string.h>

#include "common/bounded_text.h"
#include "scheduler/repository.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/tickwarden_ids.h"
#include "scheduler/tray_icon_content.h"
#include "common/program_messages.h"

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

bool IsLeadByte(unsigned char b) { return IsDBCSLeadByte(b) != 0; }

void Notify(DWORD action, UINT flags, HICON icon, const char* tip) {
  NOTIFYICONDATAA data;
  memset(&data, 0, sizeof data);
  data.cbSize = kNotifyRecordSize;
  data.hWnd = g_trayWindow;
  data.uID = TRAY_ICON_ID;
  data.uFlags = flags;
  data.uCallbackMessage = tw::kMsgTrayCallback;
  data.hIcon = icon;
  if (tip) FitTooltip(tip, data.szTip, kTooltipFieldSize, IsLeadByte);
  g_shown.LastCallSucceeded = Shell_NotifyIconA(action, &data);
  if (action == NIM_DELETE) {
    g_shown.Added = false;
    return;
  }
  if (action == NIM_ADD) g_shown.Added = true;
  if (flags & NIF_ICON) g_shown.Icon = icon;
  if (flags & NIF_TIP) memcpy(g_shown.Tip, data.szTip, sizeof g_shown.Tip);
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

void ComposeTooltip(PackedTime nextTime, char* out, size_t outSize) {
  if (nextTime == 0) {
    CopyBounded(out, outSize, kIdleTip);
    return;
  }
  char full[16 + 200];
  CopyBounded(full, sizeof full, kNextTipPrefix);
  size_t used = strlen(full);
  SchedulerTime->FormatPackedTime(nextTime, full + used, static_cast<unsigned>(sizeof full - used));
  FitTooltip(full, out, outSize, IsLeadByte);
}

void TrayAdd(HWND window) {
  g_trayWindow = window;
  char repository[260];
  AddWithState(LocateRepository(repository) == 1);
}

void TrayReadd(HWND window) {
  g_trayWindow = window;
  char repository[260];
  bool online = LocateRepository(repository) == 1;
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

void TrayRemove() { Notify(NIM_DELETE, 0, nullptr, nullptr); }

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
    command = TrackPopupMenu(popup, kTrackFlags, cursor.x, cursor.y, 0, g_trayWindow, nullptr);
    PostMessageA(g_trayWindow, WM_NULL, 0, 0);
  }
  DestroyMenu(menu);
  return command;
}
