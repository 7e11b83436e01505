// The worker thread and its removal sequence.
#include "uninstall/uninstall_worker.h"

#include <commctrl.h>

#include "platform/bounded_text.h"
#include "common/string_table.h"
#include "uninstall/clearable_folder.h"
#include "uninstall/delete_tree.h"
#include "platform/path_rules.h"
#include "uninstall/product_registry.h"
#include "uninstall/program_files.h"
#include "uninstall/program_window.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/repository_removal.h"
#include "uninstall/scheduler_service.h"
#include "uninstall/self_deletion.h"
#include "uninstall/shortcuts.h"
#include "uninstall/uninstall_state.h"
#include "uninstall/worker_notice.h"

namespace pw {
namespace {

HANDLE StartThreadWithCreateThread(LPTHREAD_START_ROUTINE routine) {
  DWORD id = 0;
  return CreateThread(nullptr, 0, routine, nullptr, 0, &id);
}

void DeleteInstallSubtree(const char* name) {
  char path[PathBufferSize];
  if (JoinPath(path, sizeof path, InstallDirectory(), name)) DeleteTree(path);
}

// Room for a told text with two paths behind it.
constexpr size_t kNoticeSize = 1024;
// The repository's steps start at this progress position.
constexpr int kFirstRepositoryPosition = 5;

// Tells the user which folder was kept for safety, and returns once the box
// has been closed.
void TellKept(UINT textId, const char* folder) {
  char caption[128];
  char text[kNoticeSize];
  CopyText(IDS_KEPT_CAPTION, caption, sizeof caption);
  CopyText(textId, text, sizeof text);
  AppendBounded(text, sizeof text, "\n\n");
  AppendBounded(text, sizeof text, folder);
  ShowWorkerNotice(text, caption, MB_OK | MB_ICONWARNING);
}

}  // namespace

ThreadStarter StartThread = StartThreadWithCreateThread;

void SetProgress(int position) {
  SendDlgItemMessageA(DialogWindow, IDC_REMOVAL_PROGRESS, PBM_SETPOS, (WPARAM)position, 0);
}

int StartWorker() {
  InterlockedExchange(&WorkerState, 2);
  HANDLE thread = StartThread(UninstallWorker);
  if (!thread) {
    InterlockedExchange(&WorkerState, 0);
    return -1;
  }
  // Only until the worker has begun: afterwards the dialog's message loop must
  // run again, since the worker's progress messages are sent to it.
  while (WorkerState == 2) {
    if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) break;
    Sleep(50);
  }
  CloseHandle(thread);
  return 0;
}

DWORD WINAPI UninstallWorker(LPVOID) {
  InterlockedExchange(&WorkerState, 1);
  SetProgress(1);
  Sleep(100);
  CloseProgramWindow(IDS_MAIN_PROGRAM_CLASS, 100);
  CloseProgramWindow(IDS_SCHEDULER_CLASS, 1000);
  SetProgress(2);
  Sleep(500);
  if (IsNtFamily == 1) RemoveSchedulerService(LoadText(IDS_SERVICE_NAME));
  SetProgress(3);
  DeleteProgramsShortcut(LoadText(IDS_PRODUCT_NAME));
  DeleteStartupShortcut(LoadText(IDS_ASSISTANT_SHORTCUT));
  DeleteStartupShortcut(LoadText(IDS_SCHEDULER_SHORTCUT));
  DeleteDesktopShortcut(LoadText(IDS_PRODUCT_NAME));
  SetProgress(4);
  for (size_t i = 0; i < kProgramFileCount; ++i) {
    char name[PathBufferSize];
    ProgramFileName(i, name, sizeof name);
    DeleteProgramFile(name);
  }
  // An uninstaller started from a drive root or a system folder must not
  // clear the "help" and "config" folders that happen to lie there.
  if (IsClearableFolder(InstallDirectory())) {
    DeleteInstallSubtree("help");
    DeleteInstallSubtree("config");
  } else {
    TellKept(IDS_INSTALL_FOLDERS_KEPT, InstallDirectory());
  }
  // A repository kept for safety, or on a disk that is not connected now
  // (its backups are likely still there), keeps its pointer too:
  // RepositoryConfig.txt is the user's way back to those backups.
  char repository[PathBufferSize];
  if (!FindRepositoryDirectory(InstallDirectory(), repository, sizeof repository)) {
    TellKept(IDS_REPOSITORY_KEPT, repository);
  } else if (IsUnreachableFolder(repository)) {
    TellKept(IDS_REPOSITORY_UNREACHABLE, repository);
  } else {
    RemoveRepository(repository, DialogWindow, kFirstRepositoryPosition);
    DeleteProgramFile(kRepositoryConfigFile);
  }
  SetProgress(133);
  DeleteUninstallEntry(LoadText(IDS_PRODUCT_NAME));
  DeleteProductRegistry(LoadText(IDS_PRODUCT_NAME));
  SetProgress(134);
  PrepareTemporaryCopy();
  SetProgress(135);
  bool copyRuns = StartTemporaryCopy();
  SetProgress(REMOVAL_PROGRESS_END);
  // Without the copy the uninstaller's file and folder stay, and this is the
  // last chance to say so.
  if (!copyRuns) {
    char left[2 * PathBufferSize + 2];
    CopyBounded(left, sizeof left, InstallDirectory());
    if (CopyFolderLeft()[0]) {
      AppendBounded(left, sizeof left, "\n");
      AppendBounded(left, sizeof left, CopyFolderLeft());
    }
    TellKept(IDS_UNINSTALLER_KEPT, left);
  }
  PostMessageA(DialogWindow, WM_APP, 0, 0);
  InterlockedExchange(&WorkerState, 0);
  return 0;
}

}  // namespace pw
