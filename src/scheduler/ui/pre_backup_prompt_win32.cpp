// The pre-backup prompt's window, its thread and the caller's wait. The dialog
// procedure only translates messages into the rules of pre_backup_prompt.cpp
// and carries out the steps they return.
#include "scheduler/ui/pre_backup_prompt.h"

#include <commctrl.h>

#include "common/message_wait.h"
#include "scheduler/ui/gdi_holders.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "settings/settings.h"

std::atomic<PromptStage> PromptState{PromptStage::Finished};
std::atomic<int> PromptResult{0};
HPALETTE BackgroundPalette = nullptr;
HBITMAP BackgroundBitmap = nullptr;
PromptWindowState PromptWindow;
PromptReport LastPrompt = {PromptEnding::NotShown, 0};
PromptThreadStarter StartPromptThread = CreateThread;

namespace {

constexpr UINT kSlideInPeriod = 20;
constexpr UINT kCountdownPeriod = 1000;
constexpr UINT kSlideOutPeriod = 50;
// How long a prompt closed because the program ends is given to go.
constexpr DWORD kAbandonWaitMs = 2000;
constexpr DWORD kStatePollMs = 50;

const char kPromptTitle[] = "Tickwarden";
const char kPauseCaption[] = "Pause";
const char kContinueCaption[] = "Continue";

DWORD g_pausedSince = 0;

// The open prompt's window (its thread writes it), and whether the waiting
// side has closed it: each side writes its own first and then reads the
// other's, so a prompt that is just opening is closed too.
std::atomic<HWND> g_promptWindow{nullptr};
std::atomic<bool> g_promptClosed{false};

void ClosePromptWindow() {
  g_promptClosed.store(true);
  if (HWND w = g_promptWindow.load()) PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
}

// Pausing is timed for the report; a prompt that closes while paused counts
// its pause up to the close.
void TimePause(bool pausing) {
  const DWORD now = GetTickCount();
  if (pausing) {
    g_pausedSince = now;
  } else if (g_pausedSince != 0) {
    LastPrompt.PausedMs += now - g_pausedSince;
    g_pausedSince = 0;
  }
}

void Carry(HWND dialog, const PromptAction& a) {
  const PromptWindowState& s = PromptWindow;
  if (a.Has(DoSetProgress))
    SendDlgItemMessageA(dialog, IDC_PROMPT_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(a.Progress), 0);
  if (a.Has(DoStopSlideIn)) KillTimer(dialog, PROMPT_TIMER_SLIDE_IN);
  if (a.Has(DoStopCountdown)) KillTimer(dialog, PROMPT_TIMER_COUNTDOWN);
  if (a.Has(DoStopSlideOut)) KillTimer(dialog, PROMPT_TIMER_SLIDE_OUT);
  if (a.Has(DoMoveWindow)) MoveWindow(dialog, s.WindowX, s.WindowY, s.WindowWidth, s.WindowHeight, TRUE);
  if (a.Has(DoStartSlideOut)) SetTimer(dialog, PROMPT_TIMER_SLIDE_OUT, kSlideOutPeriod, nullptr);
  if (a.Has(DoShowContinue)) SetDlgItemTextA(dialog, IDC_PROMPT_PAUSE, kContinueCaption);
  if (a.Has(DoShowPause)) SetDlgItemTextA(dialog, IDC_PROMPT_PAUSE, kPauseCaption);
  if (a.Has(DoShowContinue)) TimePause(true);
  if (a.Has(DoShowPause)) TimePause(false);
  if (a.Has(DoCloseDialog)) {
    TimePause(false);
    if (a.EndValue == 0) LastPrompt.Ending = PromptEnding::Skip;
    else if (LastPrompt.Ending != PromptEnding::StartNow) LastPrompt.Ending = PromptEnding::CountdownEnded;
    EndDialog(dialog, a.EndValue);
  }
}

void OpenPrompt(HWND dialog) {
  g_promptWindow.store(dialog);
  if (g_promptClosed.load()) {
    EndDialog(dialog, 0);
    return;
  }
  SetFocus(GetDlgItem(dialog, IDOK));
  SetWindowTextA(dialog, kPromptTitle);
  SendDlgItemMessageA(dialog, IDC_PROMPT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kPromptCountdownTicks));

  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT own = {0, 0, 0, 0};
  GetWindowRect(dialog, &own);
  Carry(dialog, PromptOpen(PromptWindow, work.right - work.left, work.bottom - work.top,
                           own.right - own.left, own.bottom - own.top));
  SetTimer(dialog, PROMPT_TIMER_SLIDE_IN, kSlideInPeriod, nullptr);
  SetTimer(dialog, PROMPT_TIMER_COUNTDOWN, kCountdownPeriod, nullptr);
}

// The dialog manager takes most answers from DWLP_MSGRESULT.
INT_PTR Answer(HWND dialog, LRESULT result) {
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

// The picture's colours are matched to the palette as last realised: it is
// realised again as the window becomes active, and again, as a background
// palette, after another window realised its own (as far as that one leaves
// room; in the foreground it would change the system palette and set the
// other window realising its own again); either way the picture is drawn
// again through it.
INT_PTR RealizeAgain(HWND dialog, bool background) {
  if (BackgroundPalette == nullptr) return Answer(dialog, TRUE);
  WindowDc dc(dialog);
  if (dc.get() == nullptr) return Answer(dialog, TRUE);
  SelectedPalette palette(dc.get(), BackgroundPalette, background);
  if (palette.realized() != GDI_ERROR) InvalidateRect(dialog, nullptr, TRUE);
  return Answer(dialog, TRUE);
}

}  // namespace

int RunPreBackupPrompt() {
  LastPrompt.Ending = PromptEnding::NotShown;
  LastPrompt.PausedMs = 0;
  if (Preferences.PromptBeforeStarting == 0) return 0;
  g_promptClosed.store(false);
  PromptState.store(PromptStage::Starting, std::memory_order_release);
  DWORD threadId = 0;
  HANDLE thread = StartPromptThread(nullptr, 0, PromptThread, nullptr, 0, &threadId);
  if (thread == nullptr) {
    // Without a thread nobody would ever finish the wait: the run goes ahead
    // as if the prompt could not be shown.
    PromptState.store(PromptStage::Finished, std::memory_order_release);
    return 0;
  }
  // The window thread answers its messages while the user decides; what a
  // message may start meanwhile its handler holds back (launch.h).
  MessageWait waited = MessageWait::Failed;
  while ((waited = WaitDispatchingMessages(thread, INFINITE)) == MessageWait::TimedOut) {
  }
  if (waited == MessageWait::Ended) {
    ClosePromptWindow();
    WaitForSingleObject(thread, kAbandonWaitMs);
    CloseHandle(thread);
    return kPromptEndedByProgram;
  }
  CloseHandle(thread);
  // A thread that cannot be waited on is polled, as its state says when it ends.
  while (PromptState.load(std::memory_order_acquire) != PromptStage::Finished) Sleep(kStatePollMs);
  return PromptResult.load(std::memory_order_acquire);
}

DWORD WINAPI PromptThread(LPVOID) {
  PromptState.store(PromptStage::Open, std::memory_order_release);
  PromptResult.store(0, std::memory_order_release);
  // The progress bar's class must be registered before the template is built.
  InitCommonControls();
  const INT_PTR ended = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROMPT), nullptr,
                                        PromptDialogProc, 0);
  if (ended == 0) PromptResult.store(1, std::memory_order_release);
  g_promptWindow.store(nullptr);
  PromptState.store(PromptStage::Finished, std::memory_order_release);
  return 0;
}

INT_PTR CALLBACK PromptDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  PromptWindowState& s = PromptWindow;
  switch (message) {
    case WM_INITDIALOG:
      OpenPrompt(dialog);
      return FALSE;  // the focus stays on Start Now
    case WM_TIMER:
      switch (wParam) {
        case PROMPT_TIMER_SLIDE_IN: Carry(dialog, PromptSlideInTick(s)); return TRUE;
        case PROMPT_TIMER_COUNTDOWN: Carry(dialog, PromptCountdownTick(s)); return TRUE;
        case PROMPT_TIMER_SLIDE_OUT: Carry(dialog, PromptSlideOutTick(s)); return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          LastPrompt.Ending = PromptEnding::StartNow;
          Carry(dialog, PromptStartNow(s));
          return TRUE;
        case IDCANCEL: Carry(dialog, PromptSkip(s)); return TRUE;
        case IDC_PROMPT_PAUSE: Carry(dialog, PromptTogglePause(s)); return TRUE;
      }
      return FALSE;
    case WM_LBUTTONDOWN:
      Carry(dialog, PromptDragBegin(s, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
      SetCapture(dialog);
      SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32646) /* IDC_SIZEALL */));
      return TRUE;
    case WM_MOUSEMOVE:
      Carry(dialog, PromptDragMove(s, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                                   (wParam & MK_LBUTTON) != 0));
      return TRUE;
    case WM_LBUTTONUP:
      Carry(dialog, PromptDragEnd(s));
      ReleaseCapture();
      SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */));
      return TRUE;
    case WM_ERASEBKGND:
      PaintPromptBackground(dialog, reinterpret_cast<HDC>(wParam));
      return Answer(dialog, TRUE);
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_QUERYNEWPALETTE:
      return RealizeAgain(dialog, false);
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wParam) == dialog) return FALSE;  // its own realisation
      RealizeAgain(dialog, true);
      return FALSE;
  }
  return FALSE;
}

void PaintPromptBackground(HWND window, HDC dc) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  {
    SelectedObject brush(dc, GetStockObject(WHITE_BRUSH));
    SelectedObject pen(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
  }
  if (BackgroundBitmap == nullptr) return;
  OwnedMemoryDc memory(CreateCompatibleDC(dc));
  if (memory.Get() == nullptr) return;
  // On a palette display the picture's colours are matched to the palette of
  // the window's context as the copy is made (the picture keeps its own).
  SelectedPalette shown(dc, BackgroundPalette);
  SelectedObject picture(memory.Get(), BackgroundBitmap);
  BITMAP size;
  if (GetObjectA(BackgroundBitmap, sizeof size, &size) == 0) return;
  PromptPicturePiece pieces[kPromptPicturePieces];
  const int count = LayOutPromptPicture(client.right - client.left, client.bottom - client.top, size.bmWidth,
                                        size.bmHeight, pieces);
  for (int i = 0; i < count; ++i) {
    const PromptPicturePiece& p = pieces[i];
    if (p.Width == p.SourceWidth && p.Height == p.SourceHeight)
      BitBlt(dc, p.X, p.Y, p.Width, p.Height, memory.Get(), p.SourceX, p.SourceY, SRCCOPY);
    else
      StretchBlt(dc, p.X, p.Y, p.Width, p.Height, memory.Get(), p.SourceX, p.SourceY, p.SourceWidth, p.SourceHeight,
                 SRCCOPY);
  }
}
