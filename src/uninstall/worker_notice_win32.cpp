// Message boxes of the removal worker, shown by the dialog's thread.
#include "uninstall/worker_notice.h"

#include "uninstall/uninstall_state.h"

namespace pw {

void ShowWorkerNotice(const char* text, const char* caption, UINT type) {
  WorkerNotice notice = {text, caption, type};
  if (DialogWindow && SendMessageA(DialogWindow, kWorkerNoticeMessage, 0, (LPARAM)&notice) == 1) return;
  MessageBoxA(nullptr, text, caption, type);
}

}  // namespace pw
