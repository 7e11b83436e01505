// The waits for power and the user in the running scheduler: reading the
// conditions (only those the preferences ask for, only when a run is due or
// held), holding and releasing the minute's runs, the support log's words
// for them, telling each held run once, and the runs still held when the
// scheduler stops. The rule itself is schedule/deferred_runs.h's. Window
// thread only.
#pragma once
#include <stddef.h>

#include "platform/bounded_text.h"
#include "schedule/deferred_runs.h"
#include "schedule/minute_decision.h"
#include "scheduler/ui/missed_notice.h"

// The waits of the minute over the decisions (HoldMinute with the conditions
// read now); keeps each run held now to be told. With the default
// preferences nothing is read and nothing changes.
size_t HoldDecidedRuns(MinuteDecision* decisions, size_t count, size_t capacity, PackedTime now);
// A "deferred" line for each run held now (after the minute's "missed" lines).
void LogHeldRuns(const MinuteDecision* decisions, size_t count);
// The end of a released run's launch line at now: what it waited for.
void DescribeWait(const MinuteDecision& d, PackedTime now, char* out, size_t outSize);
// The runs held since the last call, to be told (at most capacity).
size_t TakeHeldNotices(HeldNoticeItem* out, size_t capacity);
// Whether some run is held now.
bool RunsHeld();
// A "deferred" line for each run still held, as the scheduler stops.
void LogHeldRunsAtStop();
// Woken by our wake timer with nobody back yet (an automatic resume near the
// armed slot), or not.
void NoteUnattendedWake(bool unattended);
// Whether the set's run waits now, and whether for mains power.
bool HeldNow(int32_t setNumber, bool* onBattery);
// The settings line's words for the waits, when any is asked for.
void AddWaitsToSettingsText(TextBuilder& b);
