// Missed runs of daily sets. A daily ("once a day at a time") set has a slot
// at each minute at which the tick would launch it by its time schedule; a
// slot the tick never evaluated (the computer was off or asleep, the settle
// time after start-up, the repository offline, the clock moved past it) is
// missed. A slot that fell while the scheduler's own thread was busy (a
// pre-backup prompt, paused or not, a settings load, the tray menu) is held,
// not missed: the set runs as soon as the wait ends.
//
// The history below records what the scheduler knows of the time between two
// evaluations; FindDailySlots judges one set's slots against it. The timer
// tick and hdbtool's replay of it share both.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"
#include "settings/backup_set.h"

// The last three: the run was held for power or the user (deferred_runs.h)
// and still waited when the scheduler stopped.
enum class MissedReason { NotRunning, SettleTime, Asleep, ClockMoved, Offline, OnBattery, FullScreen, UserActive };
// "not running", "settle time", "asleep", "clock moved", "offline", "on
// battery", "full screen", "user active".
const char* MissedReasonText(MissedReason reason);

enum class StretchKind { OwnWait, Offline, Asleep };
struct TimeStretch {
  StretchKind Kind;
  PackedTime From;  // wall-clock times, both ends included
  PackedTime To;
};

// A missed slot is looked for at most this many days back.
const int MissedLookBackDays = 7;
// Stretches kept between two evaluations (more are merged into the last), and
// sets whose told runs are remembered (more replace the oldest).
const size_t MaxTimeStretches = 32;
const size_t MaxToldSets = 64;
// Runs an earlier scheduler still held when it stopped, remembered at most
// (the sets beyond them are missed as "not running").
const size_t MaxHeldAtStop = 16;

class EvaluationHistory {
 public:
  // The scheduler starts (or, in a replay, the computer starts again) at the
  // given time: the next evaluation is its first and looks back from each
  // set's last run.
  void Start(PackedTime schedulerStart);
  // A replay begins with the scheduler already running: no look-back.
  void StartRunning(PackedTime minute);

  void NoteStretch(StretchKind kind, PackedTime from, PackedTime to);
  // The repository was found offline at now (opens or extends a stretch), or
  // reachable again (ends it).
  void NoteOffline(PackedTime now);
  void NoteOnline(PackedTime now);
  void NoteClockMoved() { clockMoved_ = true; }

  // The minute of the given time was evaluated: what lies before it is settled.
  void Evaluated(PackedTime minute);

  // A missed slot the user was told of; later look-backs leave it alone.
  void NoteTold(int32_t setNumber, PackedTime lastSlot);
  PackedTime ToldUpTo(int32_t setNumber) const;

  // An earlier scheduler stopped while it held the set's run for the slot
  // (and the slots before it) for the given reason: a look-back that finds
  // them missed gives that reason. reason must be one of the last three.
  void NoteHeldAtStop(int32_t setNumber, PackedTime slot, MissedReason reason);
  // The reason noted for a slot of the set, or false.
  bool HeldAtStop(int32_t setNumber, PackedTime slot, MissedReason& reason) const;

  bool FirstEvaluation() const { return first_; }
  bool LooksBack() const { return first_ && lookBack_; }
  PackedTime PreviousMinute() const { return previous_; }
  PackedTime SchedulerStart() const { return start_; }
  bool ClockMoved() const { return clockMoved_; }
  // Whether a stretch of the given kind holds the slot minute.
  bool StretchHolding(PackedTime slotMinute, StretchKind kind) const;

 private:
  bool first_ = true;
  bool lookBack_ = true;
  bool clockMoved_ = false;
  bool offlineOpen_ = false;
  PackedTime start_ = 0;
  PackedTime previous_ = 0;
  TimeStretch stretches_[MaxTimeStretches];
  size_t stretchCount_ = 0;
  struct Told {
    int32_t SetNumber;
    PackedTime LastSlot;
  } told_[MaxToldSets];
  size_t toldCount_ = 0;
  size_t toldNext_ = 0;  // the entry a new set replaces once all are taken
  struct HeldAtStopRun {
    int32_t SetNumber;
    PackedTime Slot;
    MissedReason Reason;
  } heldAtStop_[MaxHeldAtStop];
  size_t heldAtStopCount_ = 0;
};

struct SlotFinding {
  enum Kind { None, Held, Missed } Outcome = None;
  int Count = 0;            // missed slots (several in one gap count once)
  PackedTime LastSlot = 0;  // the last missed slot, or the held one
  MissedReason Reason = MissedReason::Asleep;  // of the last missed slot
};

// Whether a set has daily slots: automatic, "once a day at a time", schedule on.
bool HasDailySlots(const BackupSetEntry& e);

// The slots of a daily automatic set strictly between the previous evaluation
// (or, at the first evaluation, its last run, at most MissedLookBackDays back)
// and nowMinute (second 0), that it was not launched at or after. A slot
// inside an own wait makes the set held; otherwise its slots are missed.
// Any other set: none.
SlotFinding FindDailySlots(const BackupSetEntry& e, PackedTime nowMinute, const EvaluationHistory& history);

// Seconds along the real calendar (a packed time counts a month as 31 days),
// so that two wall-clock readings can be compared with elapsed uptime.
int64_t RealSeconds(PackedTime t);
// The packed time of a count of RealSeconds (0 for a negative one).
PackedTime PackedFromRealSeconds(int64_t seconds);
