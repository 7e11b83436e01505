// The assistant's side of a launch: the same routes and command lines as the
// scheduler's, with the texts of the assistant's own string table.
#include "assistant/assistant_requests.h"

#include <windows.h>

#include "assistant/tickwardenaide_ids.h"
#include "common/main_program_command.h"
#include "common/main_program_launch.h"
#include "common/program_messages.h"
#include "common/single_instance.h"
#include "common/started_process.h"
#include "common/string_table.h"

namespace {

constexpr size_t kNameSize = 256;

// Texts loaded one after the other into the shared buffer, so each is copied.
struct MainProgramNames {
  MainProgramNames() {
    CopyText(IDS_MAIN_PROGRAM_CLASS, windowClass, sizeof windowClass);
    CopyText(IDS_MAIN_PROGRAM_FILE, file, sizeof file);
  }
  char windowClass[kNameSize];
  char file[kNameSize];
};

// Without its own directory the assistant would start whatever lies at the
// root of the current drive under that name; it starts nothing instead.
bool Known(const char* directory) { return directory && directory[0] != '\0'; }

}  // namespace

int StartSchedulerIfAbsent(const char* directory) {
  char schedulerClass[kNameSize];
  CopyText(IDS_SCHEDULER_CLASS, schedulerClass, sizeof schedulerClass);
  // A scheduler still loading its settings has no window yet, but holds its mutex.
  if (FindWindowA(schedulerClass, nullptr) || InstanceRunning(tw::kSchedulerInstanceMutex)) return 0;
  if (!Known(directory)) return -1;
  char path[kProgramPathSize];
  char commandLine[kProgramCommandLineSize];
  if (BuildProgramPath(directory, tw::kSchedulerFile, path, sizeof path) != 0 ||
      BuildQuotedCommandLine(path, commandLine, sizeof commandLine) != 0)
    return -1;
  StartedProcess scheduler;
  return scheduler.Start(path, commandLine, -1) == 0 ? kStartedProgram : -1;
}

int ServeBackupSetRequest(const char* directory, int setNumber) {
  MainProgramNames names;
  // A running main program needs no directory: only starting one does.
  if (!Known(directory) && !FindWindowA(names.windowClass, nullptr)) return -1;
  return HandBackupSetToMainProgram(directory ? directory : "", names.windowClass, names.file, setNumber);
}

int ServeActionRequest(const char* directory, int action) {
  MainProgramNames names;
  if (!Known(directory) && !FindWindowA(names.windowClass, nullptr)) return -1;
  return HandActionToMainProgram(directory ? directory : "", names.windowClass, names.file, action);
}
