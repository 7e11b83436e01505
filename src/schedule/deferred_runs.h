// Deferred runs: a run the tick decided on but holds, because the computer
// runs on battery, a full-screen program is in front, or someone is at the
// keyboard, and launches at the first evaluated minute when the reason is
// gone (or, for the full-screen program and the active user, once it has been
// held the limit's minutes). What holds a run is judged from the conditions
// the caller read, given as arguments; nothing here asks the system.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"
#include "schedule/missed_runs.h"
#include "schedule/tick_trigger.h"
#include "settings/settings.h"

enum class HoldReason { None, OnBattery, FullScreen, UserActive };
// "on battery", "full screen", "user active" (and "none").
const char* HoldReasonText(HoldReason reason);
// The reason a text names, as HoldReasonText writes it; None for any other.
HoldReason HoldReasonOfText(const char* text, size_t length);
// The reason a run held until the scheduler stopped counts as missed for.
MissedReason MissedReasonOfHold(HoldReason reason);
// A bit a reason, for the reasons one run waited for.
inline unsigned HoldReasonBit(HoldReason reason) { return 1u << static_cast<unsigned>(reason); }

// What the caller read of the computer and its user.
struct HoldConditions {
  bool OnBattery;
  bool FullScreen;
  bool ScreenSaver;     // running: the user is away
  long IdleMinutes;     // since the last keyboard or mouse input; -1 when not known
  bool UnattendedWake;  // woken by a wake timer, and nobody has come back since
};

// Which conditions the preferences make worth reading; none for the defaults,
// so that the tick asks nothing of the system that it did not ask before.
struct ConditionsToRead {
  bool Power;
  bool FrontWindow;
  bool Idle;
  bool Any() const { return Power || FrontWindow || Idle; }
};
ConditionsToRead ConditionsFor(const DeferPreferences& preferences, bool unattendedWake);

// Why a run falling due now waits, or None. On battery first (no limit); a
// running screen saver means nobody is there to disturb; a wake that finds
// nobody back and the computer on battery starts nothing while WakeOnBattery
// is 0, whatever DeferOnBattery says.
HoldReason HoldReasonNow(const DeferPreferences& preferences, const HoldConditions& now);
// Whether a reason yields to DeferLimitMinutes.
bool HoldHasLimit(HoldReason reason);

// Milliseconds from `then` to `now` of a millisecond counter that wraps
// after 49.7 days (GetTickCount).
inline uint32_t MillisecondsSince(uint32_t now, uint32_t then) { return now - then; }

// One held run, at most one a set: later slots of the same daily set, and the
// other triggers of the set while it waits, run with it, once.
struct HeldRun {
  int32_t SetNumber;
  LaunchTrigger Trigger;
  PackedTime Slot;       // the minute it fell due; a daily run's last slot
  PackedTime HeldSince;  // the minute it was first held
  PackedTime LimitFrom;  // the first minute held for a reason with a limit; 0 none
  unsigned Reasons;      // HoldReasonBit of every reason it was held for
  HoldReason Reason;     // the latest
  bool Recurring;        // an every-N-minutes set: not carried, it runs again by its schedule
};

// Runs held at once, at most; a run beyond them is launched rather than lost.
const size_t MaxHeldRuns = 64;

class DeferredRuns {
 public:
  bool Empty() const { return count_ == 0; }
  size_t Count() const { return count_; }
  HeldRun& At(size_t i) { return runs_[i]; }
  const HeldRun& At(size_t i) const { return runs_[i]; }
  HeldRun* Find(int32_t setNumber);
  // False when full.
  bool Add(const HeldRun& run);
  void RemoveAt(size_t i);
  void Clear() { count_ = 0; }

 private:
  HeldRun runs_[MaxHeldRuns];
  size_t count_ = 0;
};

// Whole minutes from one minute to another (0 when the second is earlier).
long MinutesBetween(PackedTime from, PackedTime to);
