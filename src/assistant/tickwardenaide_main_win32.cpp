// Tickwardenaide's entry: make sure the scheduler runs, stay single, and serve
// the scheduler's launch requests until its window is closed. The exit code is
// always 0.
#include <windows.h>

#include "assistant/assistant_requests.h"
#include "assistant/assistant_window.h"
#include "assistant/tickwardenaide_ids.h"
#include "common/main_program_command.h"
#include "common/program_directory.h"
#include "common/program_messages.h"
#include "common/single_instance.h"
#include "common/string_table.h"

namespace {

constexpr size_t kNameSize = 256;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything else: two copies started together both see no window.
  SingleInstance single(tw::kAssistantInstanceMutex);
  char directory[kProgramPathSize];
  if (GetProgramDirectory(directory, sizeof directory) != 0) directory[0] = '\0';
  char className[kNameSize];
  CopyText(IDS_ASSISTANT_CLASS, className, sizeof className);

  // Before the single-instance check, so that a second copy still starts a
  // missing scheduler.
  StartSchedulerIfAbsent(directory);
  if (!single.Owned() || FindWindowA(className, nullptr)) return 0;

  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ASSISTANT));
  if (!RegisterAssistantClass(instance, className, icon)) return 0;
  char title[kNameSize];
  CopyText(IDS_ASSISTANT_TITLE, title, sizeof title);
  if (!CreateAssistantWindow(instance, className, title, directory)) {
    UnregisterClassA(className, instance);
    return 0;
  }

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  UnregisterClassA(className, instance);
  if (icon) DestroyIcon(icon);
  return 0;
}
