// The repository's worker thread (repository_worker.h). Work and its answer
// pass through one slot under a lock; the lock is never held while a file is
// touched, so the window thread can always see whether work is running, for
// how long, and whether its answer is there.
#include "scheduler/repository_worker.h"

#include <string.h>

#include <new>

#include "platform/bounded_text.h"
#include "database/file_manager.h"
#include "platform/path_rules.h"
#include "platform/recursive_lock.h"
#include "scheduler/repository.h"
#include "scheduler/run_claim.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/settings_repository.h"
#include "scheduler/support_log.h"
#include "scheduler/ui/tickwarden_ids.h"

namespace {

enum class Work { None, Look, Locate, Load, Claim, Flush, StopFlush };

// What a piece of work is given.
struct Inputs {
  bool readLogTail = false;
  char path[260] = "";  // the log's repository for a flush, the claim's
  int32_t claimSet = 0;
  RunSlot claimSlot = {0, ClaimKind::Run};
  PackedTime claimNow = 0;
};

// Everything the two threads share; g_lock guards it.
struct Slot {
  Work work = Work::None;
  bool running = false;
  bool answered = false;     // finished, its result not yet taken
  bool callerGaveUp = false;  // post the answer when it comes
  DWORD startedMs = 0;
  Inputs in;
  // What it found.
  RepositoryLook look = {};
  int located = 0;
  char path[260] = "";
  ClaimResult claim = ClaimResult::Unclaimed;
  unsigned long claimError = 0;
};

RecursiveLock g_lock;
Slot g_slot;
HANDLE g_wake;  // auto-reset: work was handed over
HANDLE g_done;  // manual-reset: the running work finished
HANDLE g_thread;
bool g_threaded;
bool g_quit;    // under g_lock: the worker ends at its next wake

// The end of the support log, read by a look; kept for the tick to parse.
char* g_logTail;
// What the last load read, for the window thread to put in force; the worker
// writes it only while the load runs, the window reads it only after.
SettingsRead* g_read;

// Window thread only: what it last knew, and connect events seen.
bool g_knownOnline;
char g_knownPath[260];
int g_connectSeen;

void NoteRepositoryKnown(bool online, const char* path) {
  g_knownOnline = online;
  CopyBounded(g_knownPath, sizeof g_knownPath, path);
}

bool StampOfConfig(const char* repository, ConfigFileStamp& stamp) {
  char file[PathBufferSize];
  return BuildClientConfigPath(repository, file) == 0 && ReadConfigStamp(file, stamp);
}

void RunLook(Slot& s) {
  RepositoryLook& look = s.look;
  look = RepositoryLook();
  look.Changed = WatchMedia();
  look.Located = LastLocatedRepository(look.Path);
  look.Connected = TakeConnectEvent() == 1;
  if (look.Located != 1) return;
  look.HaveStamp = StampOfConfig(look.Path, look.Stamp);
  if (s.in.readLogTail) {
    if (g_logTail == nullptr) g_logTail = new (std::nothrow) char[SupportLogToldTail];
    if (g_logTail) {
      look.LogTailLength = ReadSupportLogTail(look.Path, g_logTail, SupportLogToldTail);
      look.LogTail = g_logTail;
    }
  }
}

// Runs one piece of work on whichever thread calls it.
void Run(Slot& s) {
  switch (s.work) {
    case Work::Look: RunLook(s); break;
    case Work::Locate: s.located = LocateRepository(s.path); break;
    case Work::Load:
      if (g_read) ReadSettingsForLoad(*g_read);
      break;
    case Work::Claim: s.claim = ClaimOwnRun(s.in.path, s.in.claimSet, s.in.claimSlot, s.in.claimNow, &s.claimError); break;
    case Work::Flush: FlushSupportLog(s.in.path); break;
    case Work::StopFlush:
      if (LocateRepository(s.path) == 1) FlushSupportLog(s.path);
      break;
    case Work::None: break;
  }
}

bool Answers(Work w) { return w == Work::Look || w == Work::Locate || w == Work::Load || w == Work::Claim; }

DWORD WINAPI WorkerMain(LPVOID) {
  for (;;) {
    WaitForSingleObject(g_wake, INFINITE);
    Slot work;
    {
      RecursiveLockHolder hold(g_lock);
      if (g_quit) return 0;
      work.work = g_slot.work;
      work.in = g_slot.in;
    }
    Run(work);
    bool post = false;
    {
      RecursiveLockHolder hold(g_lock);
      g_slot.look = work.look;
      g_slot.located = work.located;
      CopyBounded(g_slot.path, sizeof g_slot.path, work.path);
      g_slot.claim = work.claim;
      g_slot.claimError = work.claimError;
      g_slot.running = false;
      g_slot.answered = Answers(work.work);
      post = g_slot.callerGaveUp && g_slot.answered;
      g_slot.callerGaveUp = false;
    }
    SetEvent(g_done);
    HWND window = SchedulerWindow();
    if (post && window) PostMessageA(window, SCHEDULER_MSG_REPOSITORY_ANSWERED, 0, 0);
  }
}

// Hands work over and waits up to waitMs. Ready leaves the answer in g_slot
// for the caller to take (under the lock).
RepositoryAnswer Hand(Work work, DWORD waitMs, const Inputs& in = Inputs()) {
  if (!g_threaded) {
    RecursiveLockHolder hold(g_lock);
    g_slot.work = work;
    g_slot.in = in;
    Run(g_slot);
    g_slot.answered = Answers(work);
    return RepositoryAnswer::Ready;
  }
  const DWORD began = GetTickCount();
  for (;;) {
    {
      RecursiveLockHolder hold(g_lock);
      if (!g_slot.running) break;
      if (GetTickCount() - g_slot.startedMs >= kRepositoryStuckMs) return RepositoryAnswer::Stuck;
    }
    // Earlier work (a write of the log, say) is still going: it goes first,
    // within this caller's wait.
    const DWORD waited = GetTickCount() - began;
    if (waited >= waitMs) return RepositoryAnswer::Waiting;
    WaitForSingleObject(g_done, waitMs - waited);
  }
  {
    RecursiveLockHolder hold(g_lock);
    // A late answer of another kind goes first (the message that tells of it
    // is on its way); a late search for the tray icon is only dropped.
    if (g_slot.answered && (g_slot.work == Work::Locate || g_slot.work == Work::Claim)) g_slot.answered = false;
    if (g_slot.answered) return RepositoryAnswer::Waiting;
    g_slot.work = work;
    g_slot.in = in;
    g_slot.running = true;
    g_slot.callerGaveUp = false;
    g_slot.startedMs = GetTickCount();
    ResetEvent(g_done);
  }
  SetEvent(g_wake);
  const DWORD waited = GetTickCount() - began;
  if (waited < waitMs) WaitForSingleObject(g_done, waitMs - waited);
  RecursiveLockHolder hold(g_lock);
  if (!g_slot.running) return RepositoryAnswer::Ready;
  g_slot.callerGaveUp = true;
  return RepositoryAnswer::Waiting;
}

// Takes an answer of the given work, if it is the one waiting.
bool TakeAnswer(Work work) {
  RecursiveLockHolder hold(g_lock);
  if (!g_slot.answered || g_slot.running || g_slot.work != work) return false;
  g_slot.answered = false;
  return true;
}

}  // namespace

void StartRepositoryWorker() {
  if (g_threaded) return;
  g_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  g_done = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  if (g_wake == nullptr || g_done == nullptr) return;
  DWORD id = 0;
  // The program never waits for it: a thread held in a call into a dead
  // share ends with the process.
  g_quit = false;
  g_thread = CreateThread(nullptr, 0, WorkerMain, nullptr, 0, &id);
  if (g_thread == nullptr) return;
  g_threaded = true;
}

bool StopRepositoryWorker(DWORD waitMs) {
  if (!g_threaded) return true;
  {
    RecursiveLockHolder hold(g_lock);
    g_quit = true;
  }
  SetEvent(g_wake);
  if (WaitForSingleObject(g_thread, waitMs) != WAIT_OBJECT_0) return false;
  CloseHandle(g_thread);
  CloseHandle(g_wake);
  CloseHandle(g_done);
  g_thread = g_wake = g_done = nullptr;
  g_threaded = false;
  RecursiveLockHolder hold(g_lock);
  g_slot.running = false;
  return true;
}

RepositoryAnswer LookAtRepository(RepositoryLook& look, bool readLogTail) {
  // A look that answered late is taken first: it is what the tick waited for.
  if (!TakeAnswer(Work::Look)) {
    Inputs in;
    in.readLogTail = readLogTail;
    const RepositoryAnswer answer = Hand(Work::Look, kRepositoryAnswerWaitMs, in);
    if (answer != RepositoryAnswer::Ready || !TakeAnswer(Work::Look)) {
      return answer == RepositoryAnswer::Ready ? RepositoryAnswer::Waiting : answer;
    }
  }
  RecursiveLockHolder hold(g_lock);
  look = g_slot.look;
  if (look.Connected) g_connectSeen = 1;
  NoteRepositoryKnown(look.Located == 1, look.Path);
  return RepositoryAnswer::Ready;
}

int LocateRepositoryNow(char* path) {
  if (Hand(Work::Locate, kRepositoryAnswerWaitMs) != RepositoryAnswer::Ready || !TakeAnswer(Work::Locate)) {
    CopyBounded(path, 260, g_knownPath);
    return 0;
  }
  RecursiveLockHolder hold(g_lock);
  CopyBounded(path, 260, g_slot.path);
  NoteRepositoryKnown(g_slot.located == 1, g_slot.path);
  return g_slot.located;
}

RepositoryAnswer LoadSettingsThroughWorker(int& result, DWORD waitMs) {
  result = -1;
  if (!TakeAnswer(Work::Load)) {
    if (g_read == nullptr) g_read = new (std::nothrow) SettingsRead();
    if (g_read == nullptr) return RepositoryAnswer::Ready;
    const RepositoryAnswer answer = Hand(Work::Load, waitMs);
    if (answer != RepositoryAnswer::Ready || !TakeAnswer(Work::Load))
      return answer == RepositoryAnswer::Ready ? RepositoryAnswer::Waiting : answer;
  }
  // The worker is done with it: the window thread owns it until the next load.
  result = FinishSettingsLoad(*g_read);
  g_read->Loaded.Discard();
  return RepositoryAnswer::Ready;
}

ClaimResult ClaimRunThroughWorker(const char* repository, int32_t setNumber, RunSlot slot, PackedTime now,
                                  unsigned long* error) {
  *error = 0;
  Inputs in;
  CopyBounded(in.path, sizeof in.path, repository);
  in.claimSet = setNumber;
  in.claimSlot = slot;
  in.claimNow = now;
  if (Hand(Work::Claim, kRepositoryAnswerWaitMs, in) != RepositoryAnswer::Ready ||
      !TakeAnswer(Work::Claim))
    return ClaimResult::Unanswered;
  RecursiveLockHolder hold(g_lock);
  *error = g_slot.claimError;
  return g_slot.claim;
}

void WriteSupportLogSoon() {
  if (!g_knownOnline || !SupportLogWaiting()) return;
  Inputs in;
  CopyBounded(in.path, sizeof in.path, g_knownPath);
  Hand(Work::Flush, 0, in);
}

void WriteSupportLogAtStop() {
  const DWORD began = GetTickCount();
  // Work under way is given its time first; stuck work is left where it is.
  while (g_threaded) {
    {
      RecursiveLockHolder hold(g_lock);
      if (!g_slot.running) break;
    }
    if (GetTickCount() - began >= kRepositoryStopWaitMs) return;
    WaitForSingleObject(g_done, 50);
  }
  const DWORD used = GetTickCount() - began;
  Hand(Work::StopFlush, used < kRepositoryStopWaitMs ? kRepositoryStopWaitMs - used : 0);
}

LateWork AnsweredLate() {
  RecursiveLockHolder hold(g_lock);
  if (!g_slot.answered || g_slot.running) return LateWork::None;
  if (g_slot.work == Work::Look) return LateWork::Look;
  if (g_slot.work == Work::Load) return LateWork::Load;
  // A late search for the tray icon's first state: the next tick will tell.
  g_slot.answered = false;
  return LateWork::None;
}

int TakeLookedConnectEvent() {
  const int seen = g_connectSeen;
  g_connectSeen = 0;
  return seen;
}

void NoteLookedConnectEvent() { g_connectSeen = 1; }

const char* RepositoryKnownPath() { return g_knownPath; }

void ResetRepositoryWorkerState() {
  RecursiveLockHolder hold(g_lock);
  if (g_slot.running) return;
  g_slot = Slot();
  g_knownOnline = false;
  g_knownPath[0] = '\0';
  g_connectSeen = 0;
}
