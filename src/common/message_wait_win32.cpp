// The dispatching wait (message_wait.h).
#include "common/message_wait.h"

namespace {

// Every kind of input Windows 95 and NT 4.0 know: the newer headers' QS_ALLINPUT
// adds raw input, which those systems refuse as an invalid parameter.
const DWORD kAllInput = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                        QS_SENDMESSAGE | QS_HOTKEY;
// Should the system refuse the dispatching wait, the thread looks at its
// messages this often instead.
const DWORD kFallbackPollMs = 50;

volatile LONG g_ended;

// Dispatches what waits; false when a quit message came (posted again).
bool DispatchWaiting() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return false;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
    if (g_ended) return false;
  }
  return true;
}

}  // namespace

void EndMessageWaits() { InterlockedExchange(&g_ended, 1); }

bool MessageWaitsEnded() { return g_ended != 0; }

MessageWait WaitDispatchingMessages(HANDLE handle, DWORD ms) {
  if (handle == nullptr) return MessageWait::Failed;
  const DWORD start = GetTickCount();
  for (;;) {
    // A message sent from another thread is handled inside PeekMessage: the
    // flag is looked at after it too.
    if (g_ended || !DispatchWaiting() || g_ended) return MessageWait::Ended;
    DWORD left = INFINITE;
    if (ms != INFINITE) {
      const DWORD waited = GetTickCount() - start;
      left = waited >= ms ? 0 : ms - waited;
    }
    DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, left, kAllInput);
    if (woke == WAIT_FAILED) woke = WaitForSingleObject(handle, left < kFallbackPollMs ? left : kFallbackPollMs);
    if (woke == WAIT_OBJECT_0) return MessageWait::Signalled;
    if (woke == WAIT_FAILED || woke == WAIT_ABANDONED) return MessageWait::Failed;
    if (woke == WAIT_TIMEOUT && left != INFINITE && GetTickCount() - start >= ms) return MessageWait::TimedOut;
    // Input arrived (or the fallback's poll passed): dispatch it and wait on.
  }
}
