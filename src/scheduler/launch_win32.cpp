// LaunchSet and LaunchRequest: the scheduler's first route is the assistant;
// the two further routes are shared with the assistant (main_program_launch).
#include "scheduler/launch.h"

#include <windows.h>

#include "common/main_program_launch.h"
#include "common/program_messages.h"
#include "common/string_table.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/ui/pre_backup_prompt.h"
#include "scheduler/ui/tickwarden_ids.h"

namespace {

HWND FindAssistant() { return FindWindowA(LoadText(IDS_ASSISTANT_CLASS), nullptr); }

}  // namespace

LaunchRoute LaunchSetVia(const BackupSetEntry& entry) {
  if (RunPreBackupPrompt() == 1) return LaunchRoute::Skipped;
  if (HWND assistant = FindAssistant()) {
    PostMessageA(assistant, tw::kMsgAssistantBackupSet, 0, entry.SetNumber);
    return LaunchRoute::Assistant;
  }
  char mainClass[64], mainFile[64];
  CopyText(IDS_MAIN_PROGRAM_CLASS, mainClass, sizeof mainClass);
  CopyText(IDS_MAIN_PROGRAM_FILE, mainFile, sizeof mainFile);
  switch (HandBackupSetToMainProgram(ProgramDirectory, mainClass, mainFile, entry.SetNumber)) {
    case kHandedToRunningProgram: return LaunchRoute::MainWindow;
    case kStartedProgram: return LaunchRoute::StartedProcess;
    default: return LaunchRoute::NotStarted;
  }
}

int LaunchSet(const BackupSetEntry& entry) {
  LaunchSetVia(entry);
  return 0;
}

const char* LaunchRouteText(LaunchRoute route) {
  switch (route) {
    case LaunchRoute::Skipped: return "skipped in the prompt";
    case LaunchRoute::Assistant: return "via assistant";
    case LaunchRoute::MainWindow: return "via main window";
    case LaunchRoute::StartedProcess: return "via started process";
    default: return "not started (the main program could not be started)";
  }
}

int LaunchRequest(int action) {
  if (HWND assistant = FindAssistant()) {
    PostMessageA(assistant, tw::kMsgAssistantAction, 0, action);
    return 0;
  }
  char mainClass[64], mainFile[64];
  CopyText(IDS_MAIN_PROGRAM_CLASS, mainClass, sizeof mainClass);
  CopyText(IDS_MAIN_PROGRAM_FILE, mainFile, sizeof mainFile);
  HandActionToMainProgram(ProgramDirectory, mainClass, mainFile, action);
  return 0;
}
