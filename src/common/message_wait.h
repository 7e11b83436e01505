// Waiting on a window thread without going deaf: the thread's messages are
// dispatched while it waits for a handle, so that a log-off query, a
// broadcast sent with a plain SendMessage or a close gets its answer at once.
// Whoever dispatches this way must guard what a message may start meanwhile.
#pragma once
#ifdef _WIN32
#include <windows.h>

enum class MessageWait {
  Signalled,  // the handle was signalled
  TimedOut,
  Failed,     // no handle to wait for (or a handle that cannot be waited on)
  Ended,      // the program is ending (EndMessageWaits, or a quit message)
};

// Waits at most ms (INFINITE: without end) for handle, dispatching this
// thread's messages meanwhile. A quit message ends the wait and is posted again
// for the loop it was meant for.
MessageWait WaitDispatchingMessages(HANDLE handle, DWORD ms);

// The program is ending: every wait of this kind, now and later, returns
// Ended at once (after the message being dispatched).
void EndMessageWaits();
bool MessageWaitsEnded();
#endif
