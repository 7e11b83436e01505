// How the pre-backup prompt moves and counts: slide-in, countdown, pause,
// dragging and slide-out, as rules over the per-prompt state. The window side
// only carries out the steps these rules return.
#include "scheduler/ui/pre_backup_prompt.h"

namespace {

// Start Now and Skip stop whatever timers the current phase has running.
PromptAction CloseWith(const PromptWindowState& s, int endValue) {
  PromptAction a;
  if (s.PromptPhase == SlidingIn) a.Steps |= DoStopSlideIn;
  if (s.PromptPhase == SlidingOut) a.Steps |= DoStopSlideOut;
  a.Steps |= DoStopCountdown | DoCloseDialog;
  a.EndValue = endValue;
  return a;
}

}  // namespace

PromptAction PromptOpen(PromptWindowState& s, int workWidth, int workHeight, int windowWidth,
                        int windowHeight) {
  s = PromptWindowState();
  s.WindowWidth = windowWidth;
  s.WindowHeight = windowHeight;
  s.WindowX = workWidth - windowWidth - 1;
  s.RestingY = workHeight - windowHeight - 1;
  s.WindowY = workHeight;
  s.SlideStep = windowHeight / kPromptSlideTicks;
  PromptAction a;
  a.Steps = DoMoveWindow;
  return a;
}

PromptAction PromptSlideInTick(PromptWindowState& s) {
  PromptAction a;
  if (s.PromptPhase != SlidingIn) return a;
  if (++s.SlideTicks >= kPromptSlideTicks) {
    // The last step lands exactly, whatever rounding the steps lost.
    s.WindowY = s.RestingY;
    s.PromptPhase = Shown;
    a.Steps = DoMoveWindow | DoStopSlideIn;
  } else {
    s.WindowY -= s.SlideStep;
    a.Steps = DoMoveWindow;
  }
  return a;
}

PromptAction PromptCountdownTick(PromptWindowState& s) {
  PromptAction a;
  if (s.Paused) return a;
  a.Steps = DoSetProgress;
  a.Progress = s.CountdownTicks;
  if (++s.CountdownTicks < kPromptCountdownTicks) return a;
  a.Steps |= DoStopCountdown;
  if (s.MovedByUser) {
    // A window the user has placed closes where it is.
    a.Steps |= DoCloseDialog;
    a.EndValue = 1;
  } else {
    s.PromptPhase = SlidingOut;
    s.SlideTicks = 0;
    a.Steps |= DoStartSlideOut;
  }
  return a;
}

PromptAction PromptSlideOutTick(PromptWindowState& s) {
  PromptAction a;
  if (s.PromptPhase != SlidingOut) return a;
  if (++s.SlideTicks >= kPromptSlideTicks) {
    a.Steps = DoStopSlideOut | DoCloseDialog;
    a.EndValue = 1;
  } else {
    s.WindowY += s.SlideStep;
    a.Steps = DoMoveWindow;
  }
  return a;
}

PromptAction PromptStartNow(PromptWindowState& s) { return CloseWith(s, 1); }

PromptAction PromptSkip(PromptWindowState& s) { return CloseWith(s, 0); }

PromptAction PromptTogglePause(PromptWindowState& s) {
  PromptAction a;
  if (s.Paused == 0) {
    s.Paused = 1;
    a.Steps = DoShowContinue;
  } else {
    s.Paused = 0;
    a.Steps = DoShowPause;
  }
  return a;
}

PromptAction PromptDragBegin(PromptWindowState& s, short x, short y) {
  s.Dragging = 1;
  s.DragAnchorX = x;
  s.DragAnchorY = y;
  return PromptAction();
}

PromptAction PromptDragMove(PromptWindowState& s, short x, short y, bool leftButtonDown) {
  PromptAction a;
  if (!leftButtonDown || s.Dragging != 1) return a;
  // The anchor stays: once the window has followed, the cursor is back on it.
  s.WindowX += x - s.DragAnchorX;
  s.WindowY += y - s.DragAnchorY;
  s.MovedByUser = 1;
  a.Steps = DoMoveWindow;
  return a;
}

PromptAction PromptDragEnd(PromptWindowState& s) {
  s.Dragging = 0;
  return PromptAction();
}

int LayOutPromptPicture(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight,
                        PromptPicturePiece pieces[kPromptPicturePieces]) {
  const int insideWidth = clientWidth - 2, insideHeight = clientHeight - 2;
  if (pictureWidth <= 0 || pictureHeight <= 0 || insideWidth <= 0 || insideHeight <= 0) return 0;
  const int width = pictureWidth < insideWidth ? pictureWidth : insideWidth;
  const int height = pictureHeight < insideHeight ? pictureHeight : insideHeight;
  const int moreWidth = insideWidth - width, moreHeight = insideHeight - height;
  int n = 0;
  pieces[n++] = {1, 1, width, height, 0, 0, width, height};
  if (moreWidth > 0) pieces[n++] = {1 + width, 1, moreWidth, height, pictureWidth - 1, 0, 1, height};
  if (moreHeight > 0) pieces[n++] = {1, 1 + height, width, moreHeight, 0, pictureHeight - 1, width, 1};
  if (moreWidth > 0 && moreHeight > 0)
    pieces[n++] = {1 + width, 1 + height, moreWidth, moreHeight, pictureWidth - 1, pictureHeight - 1, 1, 1};
  return n;
}
