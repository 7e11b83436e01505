// What one evaluated minute does with each backup set: the tick's triggers
// (start-up, connect, time schedule), then, for a daily set they leave alone,
// its held or missed slots since the previous evaluation. Shared by the timer
// tick and hdbtool's replay of it.
#pragma once
#include <stddef.h>

#include "common/packed_time.h"
#include "schedule/missed_runs.h"
#include "schedule/tick_trigger.h"
#include "settings/backup_set.h"

struct MinuteDecision {
  BackupSetEntry* Entry;
  // The launch, or None for a missed run that is not made up.
  LaunchTrigger Trigger;
  // Held: the set runs now for the slot in LastSlot (Trigger Schedule).
  // Missed: what it missed; the history has noted it as told.
  SlotFinding Slots;
};

// The sets of the list from head that launch or missed a run in the minute of
// parts, in list order, into out (capacity entries; one a set at most, so as
// many as the list has sets). Returns how many. runMissed: the
// RunMissedBackups preference (1 makes a missed run up now). takeConnectEvent
// may be null (no drive events).
size_t DecideMinute(BackupSetEntry* head, const DateTimeParts& parts, EvaluationHistory& history, int runMissed,
                    int (*takeConnectEvent)(), MinuteDecision* out, size_t capacity);
