// The window in front, as the waits for the user see it: a full-screen
// program (a game, a presentation, a film), or a screen saver, which means
// nobody is at the computer. And how long keyboard and mouse have rested.
#pragma once

struct FrontWindow {
  // The window in front covers its whole monitor and has no caption, and is
  // not the desktop, the taskbar or a screen saver.
  bool FullScreen;
  bool ScreenSaver;
};
FrontWindow LookAtFrontWindow();

// Minutes since the last keyboard or mouse input (GetLastInputInfo, Windows
// 2000 and later), or -1 where this Windows cannot tell.
long IdleMinutesNow();
bool IdleTimeKnown();
