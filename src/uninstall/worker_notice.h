// Message boxes of the removal worker. The worker hands each one to the
// dialog's thread, which shows it owned by the dialog, so that it cannot hide
// behind the dialog and the worker goes on only once the user has read it.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

// Sent (never posted) by the worker to the dialog; lParam points to a
// WorkerNotice that lives until the send returns. The dialog answers 1 when it
// has shown the box.
constexpr UINT kWorkerNoticeMessage = WM_APP + 1;

struct WorkerNotice {
  const char* text;
  const char* caption;
  UINT type;  // MB_* flags
};

// Shows the box through DialogWindow and returns when it has been closed;
// without a dialog to show it, it is shown without an owner.
void ShowWorkerNotice(const char* text, const char* caption, UINT type);

}  // namespace pw
#endif
