// Paths and command lines for starting programs of the product from their common
// installation directory. The scheduler and the assistant both compile this file
// in, so the main program receives byte-identical command lines by either road.
#pragma once
#include <stddef.h>

// A program path: at most 259 characters and the terminator.
constexpr size_t kProgramPathSize = 260;
// Room for a quoted path of kProgramPathSize - 1 characters and the longest switch.
constexpr size_t kProgramCommandLineSize = 320;

// Writes directory, a '\' (left out when the directory already ends in '\' or
// '/'), and fileName into out. Returns 0, or -1 when the path would need more
// than outSize bytes or than kProgramPathSize (out then holds empty text: a cut
// path would name another file), or when directory is not a full path ("X:",
// "X:\..." or "\\..."): a program is started only from the folder it was found
// in, never from wherever the current drive or folder happens to be.
int BuildProgramPath(const char* directory, const char* fileName, char* out, size_t outSize);

// The path in double quotes and nothing after it. Returns 0, or -1 when it does
// not fit (out then holds empty text).
int BuildQuotedCommandLine(const char* path, char* out, size_t outSize);

// The quoted path, " -BackupSet=" and setNumber in decimal (a minus sign when
// negative, no leading zeros). Returns 0 or -1 as above.
int BuildBackupSetCommandLine(const char* path, int setNumber, char* out, size_t outSize);

// The quoted path followed by the switch of a tw::LaunchAction: " -BackupAll"
// for BackupAll, " -BackupAllAndShutdown" for BackupAllAndShutdown, and no
// switch for Open or any other value. Returns 0 or -1 as above.
int BuildActionCommandLine(const char* path, int action, char* out, size_t outSize);

// value in decimal into out (at least 12 bytes for every int). Returns 0, or
// -1 when out is too small (out then holds empty text).
int FormatDecimal(int value, char* out, size_t outSize);
