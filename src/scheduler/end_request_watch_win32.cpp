// The scheduler ends when the uninstaller of its installation asks.
#include "scheduler/end_request_watch.h"

#include "common/end_request.h"
#include "common/program_messages.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/support_log.h"

bool EndIfUninstallAsks(HWND window) {
  static bool asked = false;
  if (asked || !EndRequested(ProgramDirectory)) return false;
  asked = true;
  SupportLogLine("uninstall", "the uninstaller asks every program of this installation to end");
  PostMessageA(window, tw::kMsgSchedulerExit, 0, 0);
  return true;
}
