// The worker thread and its removal sequence.
#include "uninstall/uninstall_worker.h"

#include <commctrl.h>

#include "common/end_request.h"
#include "common/string_table.h"
#include "platform/bounded_text.h"
#include "platform/path_rules.h"
#include "platform/windows_version.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_rules.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

// Room for a told text with two paths behind it.
constexpr size_t kNoticeSize = 1024;
// The repository's steps start at this progress position.
constexpr int kFirstRepositoryPosition = 5;

// Tells the user textId with folder behind it, and returns once the box has
// been closed.
void Tell(HWND dialog, UINT captionId, UINT textId, const char* folder, UINT icon) {
  char caption[128];
  char text[kNoticeSize];
  CopyText(captionId, caption, sizeof caption);
  CopyText(textId, text, sizeof text);
  AppendBounded(text, sizeof text, "\n\n");
  AppendBounded(text, sizeof text, folder);
  ShowWorkerNotice(dialog, text, caption, MB_OK | icon);
}

// A folder kept for safety.
void TellKept(HWND dialog, UINT textId, const char* folder) {
  Tell(dialog, IDS_KEPT_CAPTION, textId, folder, MB_ICONWARNING);
}

void DeleteInstallSubtree(const char* installDirectory, const char* name) {
  char path[PathBufferSize];
  if (JoinPath(path, sizeof path, installDirectory, name)) DeleteTree(path);
}

// After the program files: with nothing left the end request goes too; with
// files left for the restart it stays until then, for a program that has not
// seen it yet, and the folders go with them (once empty), and the user is
// told once.
void FinishProgramFiles(const UninstallerState& state, bool askedToEnd, size_t atRestart) {
  char request[PathBufferSize];
  const bool haveRequest = askedToEnd && JoinPath(request, sizeof request, state.installDirectory, tw::kEndRequestFile);
  if (atRestart == 0) {
    if (haveRequest) DeleteOneFile(request);
    return;
  }
  if (haveRequest) DeleteAtRestart(request);
  // Never a root or system folder that an uninstaller was started from.
  if (IsClearableFolder(state.installDirectory)) {
    RemoveFolderAtRestart(state.installDirectory);
    char parent[PathBufferSize];
    if (CutAtLastBackslash(state.installDirectory, parent, sizeof parent) && IsMakerFolder(parent))
      RemoveFolderAtRestart(parent);
  }
  Tell(state.dialog, IDS_RESTART_CAPTION, IDS_FILES_AT_RESTART, state.installDirectory, MB_ICONINFORMATION);
}

}  // namespace

HANDLE StartThreadWithCreateThread(LPTHREAD_START_ROUTINE routine, void* argument) {
  DWORD id = 0;
  return CreateThread(nullptr, 0, routine, argument, 0, &id);
}

void SetProgress(HWND dialog, int position) {
  SendDlgItemMessageA(dialog, IDC_REMOVAL_PROGRESS, PBM_SETPOS, (WPARAM)position, 0);
}

void ShowWorkerNotice(HWND dialog, const char* text, const char* caption, UINT type) {
  WorkerNotice notice = {text, caption, type};
  if (dialog && SendMessageA(dialog, kWorkerNoticeMessage, 0, (LPARAM)&notice) == 1) return;
  MessageBoxA(nullptr, text, caption, type);
}

bool StartWorker(UninstallerState& state) {
  state.worker.Set(WorkerPhase::Starting);
  HANDLE thread = state.startThread(UninstallWorker, &state);
  if (!thread) {
    state.worker.Set(WorkerPhase::Idle);
    return false;
  }
  // Only until the worker has begun: afterwards the dialog's message loop must
  // run again, since the worker's progress messages are sent to it.
  while (state.worker.Get() == WorkerPhase::Starting) {
    if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) break;
    Sleep(50);
  }
  CloseHandle(thread);
  return true;
}

DWORD WINAPI UninstallWorker(LPVOID argument) {
  UninstallerState& state = *static_cast<UninstallerState*>(argument);
  const char* install = state.installDirectory;
  HWND dialog = state.dialog;
  state.worker.Set(WorkerPhase::Running);
  SetProgress(dialog, 1);
  Sleep(100);
  // The programs of other sessions first: their windows cannot be reached
  // from here, the installation folder can.
  const DWORD askedAt = GetTickCount();
  const bool askedToEnd = AskProgramsToEnd(install);
  CloseProgramWindow(IDS_MAIN_PROGRAM_CLASS, 100);
  CloseProgramWindow(IDS_SCHEDULER_CLASS, 1000);
  SetProgress(dialog, 2);
  Sleep(500);
  if (IsNtFamily()) RemoveSchedulerService(dialog, LoadText(IDS_SERVICE_NAME));
  SetProgress(dialog, 3);
  DeleteProgramsShortcut(LoadText(IDS_PRODUCT_NAME));
  DeleteStartupShortcut(LoadText(IDS_ASSISTANT_SHORTCUT));
  DeleteStartupShortcut(LoadText(IDS_SCHEDULER_SHORTCUT));
  DeleteDesktopShortcut(LoadText(IDS_PRODUCT_NAME));
  SetProgress(dialog, 4);
  const size_t atRestart = DeleteProgramFiles(install, askedAt, askedToEnd ? kOtherSessionsWaitMs : 0);
  FinishProgramFiles(state, askedToEnd, atRestart);
  // An uninstaller started from a drive root or a system folder must not
  // clear the "help" and "config" folders that happen to lie there.
  if (IsClearableFolder(install)) {
    DeleteInstallSubtree(install, "help");
    DeleteInstallSubtree(install, "config");
  } else {
    TellKept(dialog, IDS_INSTALL_FOLDERS_KEPT, install);
  }
  // A repository kept for safety, or on a disk that is not connected now
  // (its backups are likely still there), keeps its pointer too:
  // RepositoryConfig.txt is the user's way back to those backups.
  char repository[PathBufferSize];
  switch (FindRepository(install, repository, sizeof repository)) {
    case RepositoryPlace::Guarded:
      TellKept(dialog, IDS_REPOSITORY_KEPT, repository);
      break;
    case RepositoryPlace::Unreachable:
      TellKept(dialog, IDS_REPOSITORY_UNREACHABLE, repository);
      break;
    case RepositoryPlace::Clearable:
      RemoveRepository(repository, dialog, kFirstRepositoryPosition);
      DeleteProgramFile(install, kRepositoryConfigFile);
      break;
  }
  SetProgress(dialog, 133);
  DeleteUninstallEntry(LoadText(IDS_PRODUCT_NAME));
  DeleteProductRegistry(LoadText(IDS_PRODUCT_NAME));
  SetProgress(dialog, 134);
  PrepareTemporaryCopy(state);
  SetProgress(dialog, 135);
  bool copyRuns = StartTemporaryCopy(state);
  SetProgress(dialog, REMOVAL_PROGRESS_END);
  // Without the copy the uninstaller's file and folder stay, and this is the
  // last chance to say so.
  if (!copyRuns) {
    char left[2 * PathBufferSize + 2];
    CopyBounded(left, sizeof left, install);
    if (state.copy.folder[0]) {
      AppendBounded(left, sizeof left, "\n");
      AppendBounded(left, sizeof left, state.copy.folder);
    }
    TellKept(dialog, IDS_UNINSTALLER_KEPT, left);
  }
  PostMessageA(dialog, WM_APP, 0, 0);
  state.worker.Set(WorkerPhase::Idle);
  return 0;
}

}  // namespace pw
