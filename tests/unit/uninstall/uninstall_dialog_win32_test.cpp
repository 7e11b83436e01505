// The dialog's logic around the worker: a worker that cannot be started leaves
// the buttons usable instead of a dialog waiting for ever; centring keeps the
// dialog on the screen.
#include "uninstall/uninstall_dialog.h"

#include <gtest/gtest.h>

#include "uninstall/uninstall_worker.h"

namespace {

HANDLE NoThread(LPTHREAD_START_ROUTINE, void*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

// A window with the dialog's two buttons, enough for BeginRemoval.
class ButtonsWindow {
 public:
  ButtonsWindow() {
    window_ = CreateWindowExA(0, "STATIC", "buttons", WS_POPUP, 0, 0, 200, 60, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, "BUTTON", "Uninstall", WS_CHILD, 0, 0, 50, 14, window_, (HMENU)1, nullptr, nullptr);
    CreateWindowExA(0, "BUTTON", "Exit", WS_CHILD, 60, 0, 50, 14, window_, (HMENU)2, nullptr, nullptr);
  }
  ~ButtonsWindow() { DestroyWindow(window_); }
  HWND Get() const { return window_; }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }

 private:
  HWND window_;
};

TEST(UninstallDialog, WorkerThatCannotStartLeavesTheButtonsUsable) {
  pw::UninstallerState state;
  state.startThread = NoThread;
  ButtonsWindow dialog;
  EXPECT_FALSE(pw::BeginRemoval(state, dialog.Get()));
  EXPECT_TRUE(dialog.Enabled(1));
  EXPECT_TRUE(dialog.Enabled(2));
  EXPECT_FALSE(state.removalRunning);
  EXPECT_EQ(pw::WorkerPhase::Idle, state.worker.Get());
  EXPECT_FALSE(pw::StartWorker(state));
  EXPECT_EQ(pw::WorkerPhase::Idle, state.worker.Get());
}

TEST(UninstallDialog, CentresOnTheScreenAndNeverAboveOrLeftOfIt) {
  int screenW = GetSystemMetrics(SM_CXFULLSCREEN);
  int screenH = GetSystemMetrics(SM_CYFULLSCREEN);
  HWND small = CreateWindowExA(0, "STATIC", "small", WS_POPUP, 3, 3, 200, 100, nullptr, nullptr, nullptr, nullptr);
  pw::CenterWindow(small);
  RECT r;
  GetWindowRect(small, &r);
  EXPECT_EQ((screenW - 200) / 2, r.left);
  EXPECT_EQ((screenH - 100) / 2, r.top);
  EXPECT_EQ(200, r.right - r.left);
  DestroyWindow(small);

  HWND wide = CreateWindowExA(0, "STATIC", "wide", WS_POPUP, 3, 3, screenW + 100, 100, nullptr, nullptr, nullptr,
                              nullptr);
  pw::CenterWindow(wide);
  GetWindowRect(wide, &r);
  EXPECT_EQ(0, r.left);
  EXPECT_EQ((screenH - 100) / 2, r.top);
  DestroyWindow(wide);
}

}  // namespace
