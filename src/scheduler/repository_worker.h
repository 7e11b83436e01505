// The one thread that does the repository's file-system work: looking for it
// and watching the media, the settings file's size and time, the settings
// load, and writing and reading back the support log. A share whose server
// went away holds each such call for many seconds; the window thread only
// hands work over and waits a moment for the answer, so that it keeps
// answering messages whatever the repository does.
//
// One piece of work runs at a time, in the order handed over. Work that has
// not answered within kRepositoryStuckMs counts as offline, and nothing
// further is handed over until it returns. An answer that comes after the
// window thread stopped waiting is announced with kMsgRepositoryAnswered.
//
// Without StartRepositoryWorker (tests of the parts), each piece of work runs
// at once on the caller's thread.
#pragma once
#include <windows.h>

#include "common/packed_time.h"
#include "scheduler/run_claim.h"
#include "settings/settings.h"
#include "settings/settings_reload.h"

// How long the window thread waits for an answer before it goes on without.
const DWORD kRepositoryAnswerWaitMs = 300;
// Work unanswered this long counts as offline.
const DWORD kRepositoryStuckMs = 2000;
// The window's longest wait for the last support-log lines when it closes.
const DWORD kRepositoryStopWaitMs = 2000;

enum class RepositoryAnswer {
  Ready,    // done: the result is there
  Waiting,  // handed over and not yet answered; the answer comes as a message
  Stuck,    // earlier work has not answered within kRepositoryStuckMs: offline
};

// One look at the repository, as the timer tick takes it.
struct RepositoryLook {
  int Changed;        // the media watch's answer (repository.h)
  int Located;        // 1: the repository folder is there
  bool Connected;     // it became reachable again (a connect event)
  char Path[260];     // the folder tried last
  bool HaveStamp;     // ClientConfig.hdb's size and time were read
  ConfigFileStamp Stamp;
  // The end of the support log, read at the first look that found the
  // repository (for missed runs told before); 0 bytes otherwise.
  const char* LogTail;
  size_t LogTailLength;
};

// Runs the worker thread for the rest of the process; answers that come late
// are posted to the window SchedulerWindow() names at the time.
void StartRepositoryWorker();
// Ends the worker once its work is done, waiting at most waitMs (tests: the
// program never waits for it); false when it is still held. Work handed over
// afterwards runs on the caller's thread again.
bool StopRepositoryWorker(DWORD waitMs);

// The media watch, the search for the repository and ClientConfig.hdb's stamp.
// readLogTail: also read the end of the support log.
RepositoryAnswer LookAtRepository(RepositoryLook& look, bool readLogTail);
// Only the search for the repository (the tray icon's first state); offline
// unless Ready.
int LocateRepositoryNow(char* path);
// Loads ClientConfig.hdb from the repository (settings_repository.h's
// LoadSettings): the worker reads it, and what it read is put in force here,
// on the window thread; result receives LoadSettings' result when Ready. A
// load that answered late is taken first, without reading again.
RepositoryAnswer LoadSettingsThroughWorker(int& result, DWORD waitMs = kRepositoryAnswerWaitMs);
// Claims a run the tick decided on in the repository (run_claim.h's
// ClaimOwnRun); Unanswered when the worker did not answer in time.
ClaimResult ClaimRunThroughWorker(const char* repository, int32_t setNumber, RunSlot slot, PackedTime now,
                                  unsigned long* error);
// Writes the support log's waiting lines when the repository was last found
// there and the worker is free; never waits.
void WriteSupportLogSoon();
// The last lines at the end: the repository is looked for once more and
// what waits is written, waiting at most kRepositoryStopWaitMs in all.
void WriteSupportLogAtStop();

// What answered after its caller stopped waiting, if anything: a look waits
// for the tick to take it, a load for the window thread to take it.
enum class LateWork { None, Look, Load };
LateWork AnsweredLate();

// The connect event of the looks taken since the last call (DecideMinute's).
int TakeLookedConnectEvent();
// A repository that answered again after hanging has connected again.
void NoteLookedConnectEvent();

// The repository folder the window thread last knew of.
const char* RepositoryKnownPath();

// Forgets what the window thread knew (tests).
void ResetRepositoryWorkerState();
