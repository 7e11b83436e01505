// Which scheduler launches a run when several watch one repository: users
// logged on at once (fast user switching, terminal services) each run one, as
// may machines that share a repository. The first to create the run's claim
// file, <repository>\Logs\Claims\<name>, creating new only, launches it; the
// others leave it to that one. A lone scheduler launches what it launched
// before claims: a claim it made itself never stops it.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"
#include "schedule/minute_decision.h"

// What a claim stands for, and so how long it is kept: as long as another
// scheduler may still come to claim the same run.
enum class ClaimKind {
  Daily,    // a slot of a daily set, run on time, held or made up: missed runs are looked for 7 days back
  Run,      // a minute of any other time schedule: only clocks of machines sharing a repository differ
  Startup,  // the start-up run of a day
  Connect,  // the repository's return (two schedulers may see it a minute apart)
};
enum class ClaimResult {
  Won,        // this scheduler launches the run
  Taken,      // another scheduler claimed it first: not launched here
  Unclaimed,  // no claim could be made (say, a read-only folder): launched here, as before claims
  Unanswered, // the repository did not answer in time: launched here, as Unclaimed
};

const PackedTime ClaimSecondsPerDay = 86400;
// How long claims of each kind are kept, in seconds of the real calendar.
const int64_t ClaimKeepDaily = 8 * 86400;
const int64_t ClaimKeepStartup = 2 * 86400;
const int64_t ClaimKeepOther = 2 * 3600;
// A sweep of old claims looks at this many entries and removes this many at
// most, and comes at most this often from one scheduler.
const size_t ClaimSweepLooks = 4096;
const size_t ClaimSweepRemovals = 256;
const int64_t ClaimSweepEverySeconds = 600;

// "daily", "run", "startup", "connect".
const char* ClaimKindWord(ClaimKind kind);

// "Set<n>-<YYYYMMDDHHMM>-<kind>.claim"; false when it does not fit.
bool FormatClaimName(char* out, size_t outSize, int32_t setNumber, PackedTime slot, ClaimKind kind);
struct ClaimName {
  int32_t SetNumber;
  PackedTime Slot;
  ClaimKind Kind;
};
// Reads a name FormatClaimName wrote; false for any other.
bool ParseClaimName(const char* name, ClaimName& out);
// Whether a claim is past keeping at now: its slot lies further back than its
// kind is kept, or more than a day ahead (a clock that was set back).
bool ClaimIsOld(const ClaimName& claim, PackedTime now);

// The slot and kind a run decided in the minute of now is claimed by: a held
// or made-up run by the slot it stands for, a start-up run by its day, any
// other by the minute.
struct RunSlot {
  PackedTime Slot;
  ClaimKind Kind;
};
RunSlot ClaimSlotOf(const MinuteDecision& d, PackedTime now);

// What one scheduler remembers of its claims: those it won, newest over the
// oldest, which met again (a reload makes the tick evaluate a minute twice)
// launch as they did before claims; and when it last swept.
const size_t ClaimsRemembered = 16;
const size_t ClaimNameSize = 64;
struct ClaimMemory {
  char Won[ClaimsRemembered][ClaimNameSize];
  size_t Next;
  bool Swept;
  PackedTime LastSweep;
};

// Claims one run in <repository>\Logs\Claims. A connect claim is also taken
// when another made one for the minute before. A won claim may sweep old
// claims away. error receives the platform's error number when Unclaimed.
ClaimResult ClaimRun(const char* repository, int32_t setNumber, PackedTime slot, ClaimKind kind, PackedTime now,
                     ClaimMemory& memory, unsigned long* error = nullptr);
// The one call for each run the tick decided on (its slot: ClaimSlotOf),
// before any prompt, with the scheduler's own memory. Made by the repository's
// worker, which alone touches that memory.
ClaimResult ClaimOwnRun(const char* repository, int32_t setNumber, RunSlot slot, PackedTime now,
                        unsigned long* error = nullptr);

// Forgets the scheduler's own claims and its last sweep (for tests).
void ForgetOwnClaims();
