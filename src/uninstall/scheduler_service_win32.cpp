// The scheduler service through the service control manager.
#include "uninstall/scheduler_service.h"

#include <windows.h>

#include "uninstall/purgewell_texts.h"
#include "uninstall/service_handle.h"
#include "uninstall/worker_notice.h"

namespace pw {
namespace {

constexpr DWORD kManagerAccess = SC_MANAGER_ALL_ACCESS | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE;
constexpr DWORD kServiceAccess = SERVICE_ALL_ACCESS | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE;

void ShowLastError() {
  DWORD error = GetLastError();
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, nullptr);
  ShowWorkerNotice(n && text ? text : "", kErrorCaption, MB_OK | MB_ICONINFORMATION);
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

int RemoveSchedulerService(const char* serviceName) {
  ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, kManagerAccess));
  if (!manager.IsOpen()) return 0;
  ServiceHandle service(OpenServiceA(manager.Get(), serviceName, kServiceAccess));
  if (!service.IsOpen()) return -1;
  StopAndWait(service.Get());
  if (!DeleteService(service.Get())) ShowLastError();
  return 0;
}

}  // namespace pw
