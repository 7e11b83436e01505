// The scheduler's icon in the taskbar's notification area and its menu.
#pragma once
#include <windows.h>
#include "common/packed_time.h"

// Icons loaded at start-up (Tickwarden's resources), destroyed at exit.
extern HICON NormalTrayIcon;
extern HICON OfflineTrayIcon;

void TrayAdd(HWND window);
void TrayReadd(HWND window);
void TrayModify(bool online, PackedTime nextTime);
void TrayTip(PackedTime nextTime);
void TrayRemove();
// An icon the shell did not take (a busy shell answers FALSE) is added again,
// with what it should show; each tick asks. Nothing after TrayRemove.
void TrayAddIfMissing();
// Command id chosen for the mouse message from the icon's callback, or 0.
int TrayMenu(LPARAM mouseMessage);

// True while the icon's menu is open: its modal loop runs the window's timer,
// and nothing may start under an open menu.
bool TrayMenuOpen();

// Tells the user something once (missed runs): in a balloon on shells of
// version 5 and later, found at run time; on older shells in the tooltip
// (shortTip, fitted to its 63 characters) until the user has pointed at the
// icon. title and text are the balloon's.
void TrayNotice(const char* title, const char* text, const char* shortTip);
// The user pointed at the icon (its callback with WM_MOUSEMOVE): a notice in
// the tooltip has been seen, and the next refresh shows the next backup again.
void TrayNoticeSeen();
// Whether an online tooltip should be set anew to show nextTime: it names
// another time, or a notice in it has been seen; never while the icon is
// offline or a notice waits to be seen.
bool TrayTipOutdated(PackedTime nextTime);
// 1 when the shell shows balloons (its version is 5 or later).
bool ShellHasBalloons();
// Takes the shell's major version as given instead of asking shell32, so that
// tests can see what an older shell is shown; 0 asks again.
void SetShellMajorVersion(unsigned long major);

// What the shell was last told to show, kept as the record of the icon's state.
struct TrayShown {
  bool Added;           // the shell took the icon
  HICON Icon;
  char Tip[64];
  PackedTime NextTime;  // the next backup time the tip names; 0 for none
  BOOL LastCallSucceeded;
  bool NoticeInTip;     // the tooltip carries a notice instead
};
const TrayShown& CurrentTray();

// The tooltip text for a next backup time: "Tickwarden" for 0, else
// "Next backup at <date> <time>", fitted into the shell's 64-byte field.
void ComposeTooltip(PackedTime nextTime, char* out, size_t outSize);
