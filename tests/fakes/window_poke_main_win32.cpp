// winpoke: a small console tool for scripts (the demo) that need to see and
// poke windows inside the Wine session.
//   winpoke wait CLASS SECONDS      exit 0 once a window of CLASS exists, 1 on time-out
//   winpoke gone CLASS SECONDS      exit 0 once no window of CLASS exists, 1 on time-out
//   winpoke post CLASS MSG [W [L]]  post a message; exit 1 when no such window
//   winpoke text CLASS              print the window's title
// MSG is a number or a name of common/program_messages.h (SchedulerExit for
// kMsgSchedulerExit, ...) or WM_CLOSE, so that scripts never write a number.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/program_messages.h"

namespace {

struct NamedMessage {
  const char* name;
  unsigned number;
};
const NamedMessage kMessages[] = {
    {"SchedulerExit", tw::kMsgSchedulerExit},
    {"TrayCallback", tw::kMsgTrayCallback},
    {"ReloadSettings", tw::kMsgReloadSettings},
    {"SecondInstance", tw::kMsgSecondInstance},
    {"RunShutdownSets", tw::kMsgRunShutdownSets},
    {"AnnounceNextBackup", tw::kMsgAnnounceNextBackup},
    {"AssistantBackupSet", tw::kMsgAssistantBackupSet},
    {"AssistantAction", tw::kMsgAssistantAction},
    {"MainBackup", tw::kMsgMainBackup},
    {"MainNextBackupTime", tw::kMsgMainNextBackupTime},
    {"MainShutdownStarted", tw::kMsgMainShutdownStarted},
    {"WM_CLOSE", WM_CLOSE},
};

// A message by name or number; 0 for a name it does not know.
unsigned MessageNumber(const char* text) {
  for (const NamedMessage& m : kMessages)
    if (!strcmp(text, m.name)) return m.number;
  return static_cast<unsigned>(strtoul(text, nullptr, 0));
}

int Usage() {
  fprintf(stderr, "usage: winpoke wait|gone CLASS SECONDS | post CLASS MSG [W [L]] | text CLASS\n");
  return 2;
}

int WaitFor(const char* cls, int seconds, bool present) {
  DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  for (;;) {
    bool found = FindWindowA(cls, nullptr) != nullptr;
    if (found == present) return 0;
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return 1;
    Sleep(100);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const char* verb = argv[1];
  const char* cls = argv[2];
  if ((!strcmp(verb, "wait") || !strcmp(verb, "gone")) && argc == 4)
    return WaitFor(cls, atoi(argv[3]), !strcmp(verb, "wait"));
  if (!strcmp(verb, "post") && argc >= 4) {
    HWND w = FindWindowA(cls, nullptr);
    if (!w) return 1;
    WPARAM wp = argc > 4 ? strtoul(argv[4], nullptr, 0) : 0;
    LPARAM lp = argc > 5 ? strtol(argv[5], nullptr, 0) : 0;
    const unsigned message = MessageNumber(argv[3]);
    if (message == 0) return Usage();
    return PostMessageA(w, message, wp, lp) ? 0 : 1;
  }
  if (!strcmp(verb, "text") && argc == 3) {
    HWND w = FindWindowA(cls, nullptr);
    if (!w) return 1;
    char title[256];
    GetWindowTextA(w, title, sizeof title);
    printf("%s\n", title);
    return 0;
  }
  return Usage();
}
