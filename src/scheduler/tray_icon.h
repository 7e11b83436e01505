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
// Command id chosen for the mouse message from the icon's callback, or 0.
int TrayMenu(LPARAM mouseMessage);

// What the shell was last told to show, kept as the record of the icon's state.
struct TrayShown {
  bool Added;
  HICON Icon;
  char Tip[64];
  PackedTime NextTime;  // the next backup time the tip names; 0 for none
  BOOL LastCallSucceeded;
};
const TrayShown& CurrentTray();

// The tooltip text for a next backup time: "Tickwarden" for 0, else
// "Next backup at <date> <time>", fitted into the shell's 64-byte field.
void ComposeTooltip(PackedTime nextTime, char* out, size_t outSize);
