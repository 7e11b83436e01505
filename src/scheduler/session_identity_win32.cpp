// The user, computer and session of this scheduler from Windows. Sessions
// exist from NT 4 Terminal Server and 2000 on: ProcessIdToSessionId is looked
// up at run time, as Windows 95 and NT 4 do not export it.
#include "scheduler/session_identity.h"

#include <windows.h>

#include "platform/bounded_text.h"

namespace {

// UNLEN and MAX_COMPUTERNAME_LENGTH with their terminators.
char g_user[257];
char g_computer[MAX_COMPUTERNAME_LENGTH + 1];
bool g_read;

typedef BOOL(WINAPI* SessionOfProcess)(DWORD processId, DWORD* sessionId);

void ReadOnce() {
  if (g_read) return;
  g_read = true;
  DWORD size = sizeof g_user;
  if (!GetUserNameA(g_user, &size)) g_user[0] = '\0';
  g_user[sizeof g_user - 1] = '\0';
  size = sizeof g_computer;
  if (!GetComputerNameA(g_computer, &size)) g_computer[0] = '\0';
  g_computer[sizeof g_computer - 1] = '\0';
}

}  // namespace

const char* SessionUserName() {
  ReadOnce();
  return g_user;
}

void FormatSessionText(char* out, size_t outSize) {
  ReadOnce();
  TextBuilder b(out, outSize);
  b.Add("user ").Add(g_user[0] ? g_user : "(none)").Add(", computer ").Add(g_computer[0] ? g_computer : "(none)");
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SessionOfProcess sessionOf =
      kernel ? reinterpret_cast<SessionOfProcess>(reinterpret_cast<void*>(GetProcAddress(kernel, "ProcessIdToSessionId")))
             : nullptr;
  DWORD session = 0;
  if (sessionOf && sessionOf(GetCurrentProcessId(), &session)) b.Add(", session ").Number(session);
  b.Add(", process ").Number(GetCurrentProcessId());
}
