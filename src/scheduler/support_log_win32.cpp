// Writing the support log into the repository's Logs folder. Lines are added
// on the window thread and written by the repository's worker: the buffer is
// shared under a lock that is never held while a file is touched, so that a
// write into a share that stopped answering never holds up a line. Several
// schedulers may write the one log (one for each logged-on user, or machines
// sharing a repository): each flush takes a lock that spans processes, so that
// its lines go in whole at the log's end and the log turns over once.
#include <windows.h>

#include <new>

#include "platform/bounded_text.h"
#include "platform/sleep.h"
#include "database/file_manager.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "platform/recursive_lock.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/support_log.h"

namespace {

// Made at the first line; lines that come when it cannot be made are dropped.
SupportLogBuffer* g_pending;
RecursiveLock g_pendingLock;

SupportLogBuffer* Pending() {
  if (g_pending == nullptr) g_pending = new (std::nothrow) SupportLogBuffer();
  return g_pending;
}

// What waited when a write began: the lines (copied out, so that no lock is
// held while writing) and the count of lost lines its notice tells.
struct WaitingLines {
  char* Data = nullptr;
  size_t Size = 0;
  unsigned Dropped = 0;
  uint64_t Mark = 0;
  WaitingLines() = default;
  WaitingLines(const WaitingLines&) = delete;
  WaitingLines& operator=(const WaitingLines&) = delete;
  ~WaitingLines() { delete[] Data; }
};

bool TakeCopy(WaitingLines& lines) {
  RecursiveLockHolder hold(g_pendingLock);
  if (g_pending == nullptr || g_pending->Size() == 0) return false;
  lines.Data = new (std::nothrow) char[g_pending->Size()];
  if (lines.Data == nullptr) return false;
  memcpy(lines.Data, g_pending->Data(), g_pending->Size());
  lines.Size = g_pending->Size();
  lines.Dropped = g_pending->Dropped();
  lines.Mark = g_pending->Removed();
  return true;
}

// The copied lines were written: those still waiting go (lines added
// meanwhile stay, and so do any lost meanwhile from the count).
void Written(const WaitingLines& lines) {
  RecursiveLockHolder hold(g_pendingLock);
  const uint64_t gone = g_pending->Removed() - lines.Mark;
  if (gone < lines.Size) g_pending->Consume(lines.Size - static_cast<size_t>(gone));
  g_pending->ForgetDropped(lines.Dropped);
}

const char kLogFile[] = "Tickwarden.log";
const char kOldLogFile[] = "Tickwarden.old.log";
const char kLockFile[] = "Tickwarden.lock";
// Another scheduler's flush is waited for this many times this long at most
// (one write of at most the buffer's 64 KB), then the lines wait for the next.
const unsigned kLockTries = 50;
const unsigned kLockPauseMs = 20;

// The first byte of Logs\Tickwarden.lock, locked for one flush. Windows lets
// the lock go when its holder ends, however it ends. Where the file cannot be
// made or the file system knows no locks, the flush goes on without one, as
// a lone scheduler always could.
class LogWriteLock {
 public:
  explicit LogWriteLock(const char* path)
      : handle_(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!handle_.IsOpen()) return;
    for (unsigned i = 0; i < kLockTries; ++i) {
      if (LockFile(handle_.Get(), 0, 0, 1, 0)) {
        locked_ = true;
        return;
      }
      if (GetLastError() != ERROR_LOCK_VIOLATION) return;
      if (i + 1 < kLockTries) SleepMilliseconds(kLockPauseMs);
    }
    busy_ = true;
  }
  ~LogWriteLock() {
    if (locked_) UnlockFile(handle_.Get(), 0, 0, 1, 0);
  }
  LogWriteLock(const LogWriteLock&) = delete;
  LogWriteLock& operator=(const LogWriteLock&) = delete;
  // Another scheduler held the lock throughout.
  bool Busy() const { return busy_; }

 private:
  OwnedHandle handle_;
  bool locked_ = false;
  bool busy_ = false;
};

// An open file that is always closed: opened to add to (made when absent), or
// to read an existing one.
class LogFile {
 public:
  enum Use { ToAppend, ToRead };
  explicit LogFile(const char* path, Use use = ToAppend)
      : handle_(CreateFileA(path, use == ToAppend ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, use == ToAppend ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  bool Open() const { return handle_.IsOpen(); }
  unsigned long Size() const { return GetFileSize(handle_.Get(), nullptr); }
  bool Append(const char* data, size_t length) {
    if (SetFilePointer(handle_.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
      return false;
    DWORD written = 0;
    return WriteFile(handle_.Get(), data, static_cast<DWORD>(length), &written, nullptr) && written == length;
  }
  // Reads the last at most `size` bytes into out; the count read, 0 on failure.
  size_t ReadTail(char* out, size_t size) {
    const DWORD length = GetFileSize(handle_.Get(), nullptr);
    if (length == INVALID_FILE_SIZE) return 0;
    const DWORD from = length > size ? length - static_cast<DWORD>(size) : 0;
    DWORD got = 0;
    if (SetFilePointer(handle_.Get(), static_cast<LONG>(from), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(handle_.Get(), out, static_cast<DWORD>(size), &got, nullptr))
      return 0;
    return got;
  }

 private:
  OwnedHandle handle_;
};

// <repository>\Logs and a file in it.
bool LogPaths(const char* repository, char* folder, const char* name, char* path) {
  return JoinPath(folder, PathBufferSize, repository, SupportLogFolder) && JoinPath(path, PathBufferSize, folder, name);
}

// Room for the line that tells how many lines were lost.
size_t DroppedNotice(char* out, size_t size, unsigned dropped) {
  char text[96];
  TextBuilder(text, sizeof text).Number(dropped).Add(" earlier lines were lost while the log could not be written");
  return FormatSupportLogLine(out, size, DateTimeUtil().CurrentPackedTime(), "offline", text);
}

// Appends the notice (if any) and the copied lines, each in one write of whole
// lines; they are forgotten once written.
void WriteWaiting(LogFile& file, const char* notice, size_t noticeLength, const WaitingLines& lines) {
  if (noticeLength && !file.Append(notice, noticeLength)) return;
  if (!file.Append(lines.Data, lines.Size)) return;
  Written(lines);
}

}  // namespace

SupportLogBuffer& PendingSupportLog() { return *Pending(); }

void SupportLogLine(const char* word, const char* text) {
  char line[SupportLogLineBytes + 64];
  size_t length = FormatSupportLogLine(line, sizeof line, SchedulerNow(), word, text);
  RecursiveLockHolder hold(g_pendingLock);
  if (SupportLogBuffer* pending = Pending()) pending->Append(line, length);
}

bool SupportLogWaiting() {
  RecursiveLockHolder hold(g_pendingLock);
  return g_pending != nullptr && g_pending->Size() > 0;
}

void FlushSupportLog(const char* repository) {
  if (repository == nullptr || repository[0] == '\0') return;
  WaitingLines lines;
  if (!TakeCopy(lines)) return;
  char folder[PathBufferSize], path[PathBufferSize], old[PathBufferSize], lockPath[PathBufferSize];
  if (!LogPaths(repository, folder, kLogFile, path) || !JoinPath(old, PathBufferSize, folder, kOldLogFile) ||
      !JoinPath(lockPath, PathBufferSize, folder, kLockFile))
    return;
  CreateDirectoryA(folder, nullptr);
  // Held to the end: the size looked at is the size appended to, and a second
  // scheduler that finds the log full finds the fresh one instead.
  LogWriteLock lock(lockPath);
  if (lock.Busy()) return;

  char notice[160];
  size_t noticeLength = lines.Dropped ? DroppedNotice(notice, sizeof notice, lines.Dropped) : 0;
  const size_t adding = lines.Size + noticeLength;
  {
    LogFile current(path);
    if (!current.Open()) return;
    if (!SupportLogNeedsTurnover(current.Size(), adding)) {
      WriteWaiting(current, notice, noticeLength, lines);
      return;
    }
  }
  DeleteFileA(old);
  if (!MoveFileA(path, old)) return;
  LogFile fresh(path);
  if (fresh.Open()) WriteWaiting(fresh, notice, noticeLength, lines);
}

size_t ReadSupportLogTail(const char* repository, char* out, size_t size) {
  char folder[PathBufferSize], path[PathBufferSize];
  if (repository == nullptr || !LogPaths(repository, folder, kLogFile, path)) return 0;
  LogFile log(path, LogFile::ToRead);
  return log.Open() ? log.ReadTail(out, size) : 0;
}
