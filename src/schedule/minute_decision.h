// What one evaluated minute does with each backup set: the tick's triggers
// (start-up, connect, time schedule), then, for a daily set they leave alone,
// its held or missed slots since the previous evaluation; then the waits for
// power and the user, which hold some of those runs and release runs held
// before. Shared by the timer tick and hdbtool's replay of it.
#pragma once
#include <stddef.h>

#include "common/packed_time.h"
#include "schedule/deferred_runs.h"
#include "schedule/missed_runs.h"
#include "schedule/tick_trigger.h"
#include "settings/backup_set.h"

// A decided run's wait for power or the user (deferred_runs.h).
struct Deferral {
  enum Kind {
    None,
    Held,       // held now for the first time: told and logged, not launched
    StillHeld,  // the set waits already; this minute's run joins it, not launched
    Released,   // a held run launches now
  } Outcome = None;
  HoldReason Reason = HoldReason::None;  // held: why; released: the last reason
  unsigned Reasons = 0;                  // released: every reason it waited for
  PackedTime Since = 0;                  // released: the minute it was first held
  PackedTime Slot = 0;                   // the minute the run fell due
  bool LimitReached = false;             // released although its reason lasts
};

struct MinuteDecision {
  BackupSetEntry* Entry;
  // The launch, or None for a missed run that is not made up.
  LaunchTrigger Trigger;
  // Held: the set runs now for the slot in LastSlot (Trigger Schedule).
  // Missed: what it missed; the history has noted it as told.
  SlotFinding Slots;
  Deferral Deferred;
};

// The sets of the list from head that launch or missed a run in the minute of
// parts, in list order, into out (capacity entries; one a set at most, so as
// many as the list has sets). Returns how many. runMissed: the
// RunMissedBackups preference (1 makes a missed run up now). takeConnectEvent
// may be null (no drive events).
size_t DecideMinute(BackupSetEntry* head, const DateTimeParts& parts, EvaluationHistory& history, int runMissed,
                    int (*takeConnectEvent)(), MinuteDecision* out, size_t capacity);

// Whether a decided run is launched now.
inline bool Launches(const MinuteDecision& d) {
  return d.Trigger != LaunchTrigger::None &&
         (d.Deferred.Outcome == Deferral::None || d.Deferred.Outcome == Deferral::Released);
}
// Whether some decision of the minute would launch: only then, or with runs
// held, are the conditions worth reading.
bool AnyLaunch(const MinuteDecision* decisions, size_t count);

// The waits of the minute of now over the first count decisions of out: a
// run of a set that waits already joins its held run; a run decided now is
// held when HoldReasonNow gives a reason; a held run whose reason is gone, or
// that reached DeferLimitMinutes, is released (appended when its set decided
// nothing now; capacity as for DecideMinute), whatever RunMissedBackups says;
// a held run of a set no longer in the list is forgotten. Returns the count.
size_t HoldMinute(BackupSetEntry* head, MinuteDecision* out, size_t count, size_t capacity, DeferredRuns& held,
                  const DeferPreferences& preferences, const HoldConditions& conditions, PackedTime now);
