// LaunchSet and LaunchRequest: the scheduler's first route is the assistant;
// the two further routes are shared with the assistant (main_program_launch).
#include "scheduler/launch.h"

#include <windows.h>

#include "platform/bounded_text.h"
#include "common/main_program_launch.h"
#include "common/message_wait.h"
#include "common/program_messages.h"
#include "common/string_table.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/support_log.h"
#include "scheduler/ui/pre_backup_prompt.h"
#include "scheduler/ui/tickwarden_ids.h"

namespace {

HWND FindAssistant() { return FindWindowA(LoadText(IDS_ASSISTANT_CLASS), nullptr); }

int g_launchDepth;
// The set whose prompt is open, as its log line names it.
bool g_prompting;
char g_promptedSet[BackupSetNameLength * 4 + 32];
char g_promptedTrigger[16];
bool g_lastLogged;
char g_endedText[96];  // "not started (<why>)" once EndLaunches was called

struct LaunchScope {
  LaunchScope() { ++g_launchDepth; }
  ~LaunchScope() { --g_launchDepth; }
  LaunchScope(const LaunchScope&) = delete;
  LaunchScope& operator=(const LaunchScope&) = delete;
};

bool Ended() { return g_endedText[0] != '\0'; }

int PromptFor(const BackupSetEntry& entry, const char* trigger) {
  FormatSetText(g_promptedSet, sizeof g_promptedSet, entry.SetNumber, entry.Name);
  CopyBounded(g_promptedTrigger, sizeof g_promptedTrigger, trigger);
  g_prompting = true;
  const int answer = RunPreBackupPrompt();
  g_prompting = false;
  return answer;
}

}  // namespace

LaunchRoute LaunchSetVia(const BackupSetEntry& entry, const char* trigger) {
  g_lastLogged = false;
  if (Ended()) return LaunchRoute::Ended;
  LaunchScope scope;
  const int answer = PromptFor(entry, trigger);
  // Ended while the user decided: logged then, and not launched whatever came last.
  if (answer == kPromptEndedByProgram || Ended()) return LaunchRoute::Ended;
  if (answer == 1) return LaunchRoute::Skipped;
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
    default: return Ended() ? LaunchRoute::Ended : LaunchRoute::NotStarted;
  }
}

int LaunchSet(const BackupSetEntry& entry) {
  LaunchSetVia(entry);
  return 0;
}

bool LaunchUnderWay() { return g_launchDepth > 0; }

void EndLaunches(const char* why) {
  if (Ended()) return;
  TextBuilder(g_endedText, sizeof g_endedText).Add("not started (").Add(why).Add(")");
  EndMessageWaits();
  if (!g_prompting) return;
  char text[SupportLogLineBytes];
  TextBuilder(text, sizeof text).Add(g_promptedSet).Add(" ").Add(g_promptedTrigger).Add(" not started (").Add(why)
      .Add(" while its prompt was open)");
  SupportLogLine("launch", text);
  g_lastLogged = true;
}

bool LaunchesEnded() { return Ended(); }

bool LastLaunchLogged() { return g_lastLogged; }

const char* LaunchRouteText(LaunchRoute route) {
  switch (route) {
    case LaunchRoute::Skipped: return "skipped in the prompt";
    case LaunchRoute::Assistant: return "via assistant";
    case LaunchRoute::MainWindow: return "via main window";
    case LaunchRoute::StartedProcess: return "via started process";
    case LaunchRoute::Ended: return g_endedText;
    default: return "not started (the main program could not be started)";
  }
}

int LaunchRequest(int action) {
  if (Ended()) return 0;
  LaunchScope scope;
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
