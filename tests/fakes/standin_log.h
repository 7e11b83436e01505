// The one-line-per-event log the stand-in programs keep, so a test can follow
// what was done to them while they still run.
#ifndef TESTS_FAKES_STANDIN_LOG_H
#define TESTS_FAKES_STANDIN_LOG_H

#include <windows.h>
#include <string.h>

namespace standin {

inline char g_logPath[MAX_PATH];

// The log is the file named by the environment variable, or the given file name
// beside the executable when the variable is unset or too long.
inline void ChooseLogPath(const char* variable, const char* besideExe) {
  DWORD n = GetEnvironmentVariableA(variable, g_logPath, sizeof g_logPath);
  if (n > 0 && n < sizeof g_logPath) return;
  GetModuleFileNameA(nullptr, g_logPath, sizeof g_logPath);
  char* slash = strrchr(g_logPath, '\\');
  if (slash && (size_t)(slash - g_logPath) + strlen(besideExe) + 2 < sizeof g_logPath) strcpy(slash + 1, besideExe);
}

inline void LogLine(const char* text) {
  // Reopened for every line so a test can read the log while we run.
  HANDLE f = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  SetFilePointer(f, 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(f, text, (DWORD)strlen(text), &written, nullptr);
  WriteFile(f, "\r\n", 2, &written, nullptr);
  CloseHandle(f);
}

}  // namespace standin

#endif
