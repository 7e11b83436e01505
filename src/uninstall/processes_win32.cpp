// Removal steps that touch running programs: the end request for every
// session, closing the programs of this session by their windows, and the
// scheduler service.
#include <windows.h>

#include "common/end_request.h"
#include "common/string_table.h"
#include "platform/handles.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_steps.h"
#include "uninstall/uninstall_worker.h"

namespace pw {

bool AskProgramsToEnd(const char* installDirectory) {
  return installDirectory[0] != '\0' && WriteEndRequest(installDirectory);
}

void CloseWindowOfClass(const char* className, DWORD settleMs) {
  HWND window = FindWindowA(className, nullptr);
  if (!window) return;
  // Its program, to wait for once the window has gone: a program can outlive
  // its window (a call into a network that does not return), and its file
  // cannot be deleted while it runs. Never this process itself.
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  OwnedHandle program;
  if (processId != 0 && processId != GetCurrentProcessId())
    program.Reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
  DWORD start = GetTickCount();
  DWORD_PTR answer = 0;
  // Bounded, so that a hung program cannot stop the removal.
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseWaitMs, &answer);
  for (int i = 0; i < 150 && FindWindowA(className, nullptr); ++i) {
    if (GetTickCount() - start >= kCloseWaitMs) break;
    Sleep(100);
  }
  // A window that stays means a program that is not ending: no wait for it.
  if (program.IsOpen() && !FindWindowA(className, nullptr)) WaitForSingleObject(program.Get(), kProcessEndWaitMs);
  Sleep(settleMs);
}

void CloseProgramWindow(UINT classTextNumber, DWORD settleMs) {
  char className[256];
  CopyText(classTextNumber, className, sizeof className);
  if (!className[0]) return;  // an empty class would match any window
  CloseWindowOfClass(className, settleMs);
}

namespace {

constexpr DWORD kManagerAccess = SC_MANAGER_ALL_ACCESS | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE;
constexpr DWORD kServiceAccess = SERVICE_ALL_ACCESS | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE;

void ShowLastError(HWND dialog) {
  DWORD error = GetLastError();
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, nullptr);
  ShowWorkerNotice(dialog, n && text ? text : "", kErrorCaption, MB_OK | MB_ICONINFORMATION);
  if (text) LocalFree(text);
}

void StopAndWait(SC_HANDLE service) {
  SERVICE_STATUS status;
  if (!QueryServiceStatus(service, &status) || status.dwCurrentState != SERVICE_RUNNING) return;
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  for (int i = 0; i < 30; ++i) {
    if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED) break;
    Sleep(250);
  }
  Sleep(0);
}

}  // namespace

bool RemoveSchedulerService(HWND dialog, const char* serviceName) {
  OwnedService manager(OpenSCManagerA(nullptr, nullptr, kManagerAccess));
  if (!manager.IsOpen()) return true;
  OwnedService service(OpenServiceA(manager.Get(), serviceName, kServiceAccess));
  if (!service.IsOpen()) return false;
  StopAndWait(service.Get());
  if (!DeleteService(service.Get())) ShowLastError(dialog);
  return true;
}

}  // namespace pw
