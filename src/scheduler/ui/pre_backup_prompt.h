// The small sliding window shown before a scheduled backup: it rises out of the
// bottom-right corner of the work area, counts twenty seconds down and sinks
// again, unless the user pauses, starts the backup at once or skips this run.
// The window lives on a thread of its own while the caller waits.
//
// The slide, countdown and drag rules are plain functions over
// PromptWindowState that return what the window has to do, so they can be
// exercised without a window.
#pragma once

#include <atomic>

// Phases of one prompt.
enum PromptPhaseValue { SlidingIn = 0, Shown = 1, SlidingOut = 2 };

constexpr int kPromptCountdownTicks = 20;  // seconds shown on the progress bar
constexpr int kPromptSlideTicks = 10;      // steps of one slide

// Per-prompt state; reset whenever a prompt opens.
struct PromptWindowState {
  int CountdownTicks = 0;
  int Paused = 0;
  int PromptPhase = SlidingIn;
  int SlideTicks = 0;
  int SlideStep = 0;
  int WindowX = 0;
  int WindowY = 0;
  int WindowWidth = 0;
  int WindowHeight = 0;
  int RestingY = 0;
  int Dragging = 0;
  short DragAnchorX = 0;
  short DragAnchorY = 0;
  int MovedByUser = 0;
};

// What the window has to do after one event, in the order listed.
enum PromptStep : unsigned {
  DoSetProgress = 1u << 0,     // progress bar position := PromptAction::Progress
  DoStopSlideIn = 1u << 1,
  DoStopCountdown = 1u << 2,
  DoStopSlideOut = 1u << 3,
  DoMoveWindow = 1u << 4,      // to (WindowX, WindowY), size unchanged
  DoStartSlideOut = 1u << 5,
  DoShowContinue = 1u << 6,    // the pause button's second caption
  DoShowPause = 1u << 7,
  DoCloseDialog = 1u << 8,     // end the dialog with PromptAction::EndValue
};

struct PromptAction {
  unsigned Steps = 0;
  int Progress = 0;
  int EndValue = 0;
  bool Has(PromptStep s) const { return (Steps & s) != 0; }
};

// Opening: reset and place the window just below the work area, whose width and
// height (not its edges) serve as screen coordinates.
PromptAction PromptOpen(PromptWindowState& s, int workWidth, int workHeight, int windowWidth,
                        int windowHeight);
PromptAction PromptSlideInTick(PromptWindowState& s);
PromptAction PromptCountdownTick(PromptWindowState& s);
PromptAction PromptSlideOutTick(PromptWindowState& s);
PromptAction PromptStartNow(PromptWindowState& s);
PromptAction PromptSkip(PromptWindowState& s);
PromptAction PromptTogglePause(PromptWindowState& s);
PromptAction PromptDragBegin(PromptWindowState& s, short x, short y);
PromptAction PromptDragMove(PromptWindowState& s, short x, short y, bool leftButtonDown);
PromptAction PromptDragEnd(PromptWindowState& s);

// One block copy of the background picture: the window's rectangle and the
// picture's rectangle it is drawn from (stretched when the sizes differ).
struct PromptPicturePiece {
  int X, Y, Width, Height;
  int SourceX, SourceY, SourceWidth, SourceHeight;
};
constexpr int kPromptPicturePieces = 4;

// Where the picture goes inside the one-pixel frame of a client area: at
// (1, 1) in its own size, cut at the frame. A larger system font makes the
// dialog wider and taller than the picture; then its last column is stretched
// over the rest of each row, its last row over the rest of each column and its
// last pixel into the corner, so that the banner always reaches the frame.
// Returns how many pieces were written (none without a picture).
int LayOutPromptPicture(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight,
                        PromptPicturePiece pieces[kPromptPicturePieces]);

// Hand-off between the waiting caller and the prompt's thread: the thread
// writes PromptResult (1 skip, 0 go ahead) before it sets PromptState to
// Finished, and the caller reads the result only after it has seen Finished.
enum class PromptStage : int { Finished = 0, Open = 1, Starting = 2 };
extern std::atomic<PromptStage> PromptState;
extern std::atomic<int> PromptResult;

#ifdef _WIN32
#include <windows.h>

// The picture and palette made at start-up; either may be none.
extern HPALETTE BackgroundPalette;
extern HBITMAP BackgroundBitmap;

// The per-prompt state of the open prompt (touched only by its thread).
extern PromptWindowState PromptWindow;

// How the last prompt ended, for the support log; written by the prompt's
// thread before it sets PromptState to 0.
enum class PromptEnding { NotShown, StartNow, CountdownEnded, Skip };
struct PromptReport {
  PromptEnding Ending;
  DWORD PausedMs;  // time spent paused, in all
};
extern PromptReport LastPrompt;

// 1 = skip this run, 0 = go ahead. Returns 0 at once when prompting is off;
// otherwise returns once the prompt has closed, dispatching this thread's
// messages meanwhile (common/message_wait.h). When the program ends meanwhile
// (EndMessageWaits) the prompt is closed and the answer is
// kPromptEndedByProgram: neither the user's skip nor a go-ahead.
int RunPreBackupPrompt();
constexpr int kPromptEndedByProgram = 2;

DWORD WINAPI PromptThread(LPVOID);
INT_PTR CALLBACK PromptDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void PaintPromptBackground(HWND window, HDC dc);

// How the prompt's thread is started; tests replace it to see a failed start.
using PromptThreadStarter = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                            LPVOID, DWORD, LPDWORD);
extern PromptThreadStarter StartPromptThread;
#endif
