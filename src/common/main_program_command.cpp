// Paths and command lines of the main program, shared by the scheduler and the
// assistant. Every piece is appended with a bounded copy; anything that does not
// fit is refused whole, because a cut path or switch would start the wrong thing.
#include "common/main_program_command.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"
#include "common/program_messages.h"

namespace {

int Refuse(char* out, size_t outSize) {
  if (outSize > 0) out[0] = '\0';
  return -1;
}

// "X:" (a drive root), "X:\..." or "\\server\...".
bool IsFullPath(const char* path) {
  const bool letter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  if (letter && path[1] == ':') return path[2] == '\0' || path[2] == '\\' || path[2] == '/';
  return path[0] == '\\' && path[1] == '\\';
}

// The quoted path followed by an optional tail, all or nothing.
int BuildQuoted(const char* path, const char* tail, char* out, size_t outSize) {
  if (outSize == 0) return -1;
  if (!CopyBounded(out, outSize, "\"") || !AppendBounded(out, outSize, path) ||
      !AppendBounded(out, outSize, "\"") || !AppendBounded(out, outSize, tail))
    return Refuse(out, outSize);
  return 0;
}

}  // namespace

int FormatDecimal(int value, char* out, size_t outSize) {
  // Digits of the magnitude, computed unsigned so that INT_MIN needs no negation.
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  char reversed[12];
  size_t n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + magnitude % 10u);
    magnitude /= 10u;
  } while (magnitude != 0u);
  size_t needed = n + (value < 0 ? 1 : 0) + 1;
  if (needed > outSize) return Refuse(out, outSize);
  size_t pos = 0;
  if (value < 0) out[pos++] = '-';
  while (n > 0) out[pos++] = reversed[--n];
  out[pos] = '\0';
  return 0;
}

int BuildProgramPath(const char* directory, const char* fileName, char* out, size_t outSize) {
  if (outSize == 0) return -1;
  size_t size = outSize < kProgramPathSize ? outSize : kProgramPathSize;
  if (!IsFullPath(directory)) return Refuse(out, outSize);
  if (!CopyBounded(out, size, directory)) return Refuse(out, outSize);
  if (!EndsWithSeparator(out) && !AppendBounded(out, size, "\\")) return Refuse(out, outSize);
  if (!AppendBounded(out, size, fileName)) return Refuse(out, outSize);
  return 0;
}

int BuildQuotedCommandLine(const char* path, char* out, size_t outSize) {
  return BuildQuoted(path, "", out, outSize);
}

int BuildBackupSetCommandLine(const char* path, int setNumber, char* out, size_t outSize) {
  char number[12];
  FormatDecimal(setNumber, number, sizeof number);
  if (BuildQuoted(path, tw::kSwitchBackupSet, out, outSize) != 0) return -1;
  if (!AppendBounded(out, outSize, number)) return Refuse(out, outSize);
  return 0;
}

int BuildActionCommandLine(const char* path, int action, char* out, size_t outSize) {
  const char* tail = "";
  if (action == tw::BackupAll)
    tail = tw::kSwitchBackupAll;
  else if (action == tw::BackupAllAndShutdown)
    tail = tw::kSwitchBackupAllAndShutdown;
  return BuildQuoted(path, tail, out, outSize);
}
