// The words with which the user is told of missed runs: a balloon's title and
// text naming each set, when its run was missed, why, and whether it runs now,
// and the short form that fits the tooltip of shells without balloons; and
// the same for runs held for power or the user (schedule/deferred_runs.h).
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"
#include "schedule/deferred_runs.h"
#include "schedule/missed_runs.h"

struct MissedNoticeItem {
  char Name[65];
  PackedTime LastSlot;
  int Count;
  MissedReason Reason;
  bool RunsNow;
  HoldReason WaitsFor;  // made up, but held: it runs once this is gone
};

struct HeldNoticeItem {
  char Name[65];
  HoldReason Reason;
  int IdleMinutes;   // WaitForIdleMinutes, for a user who is active
  int LimitMinutes;  // DeferLimitMinutes; 0 or less: none
};

// Writes a time in the user's form ("<short date> <time>").
typedef void (*TimeFormatter)(PackedTime when, char* out, size_t outSize);

// Balloon title ("Backup missed" / "Backups missed").
const char* MissedNoticeTitle(size_t itemCount);
// One sentence a set, as many as fit outSize (a balloon holds 255 characters);
// the rest are counted at the end.
void ComposeMissedNotice(const MissedNoticeItem* items, size_t count, TimeFormatter format, char* out,
                         size_t outSize);
// The tooltip form, at most outSize - 1 characters, the ending always kept.
void ComposeMissedTip(const MissedNoticeItem* items, size_t count, TimeFormatter format, char* out,
                      size_t outSize);
// Why, in the user's words ("the computer was off").
const char* MissedReasonPhrase(MissedReason reason);

// Balloon title ("Backup waiting" / "Backups waiting").
const char* HeldNoticeTitle(size_t itemCount);
// One sentence a held run, as ComposeMissedNotice fits them.
void ComposeHeldNotice(const HeldNoticeItem* items, size_t count, char* out, size_t outSize);
// The tooltip form: "\"Nightly\" waits: on battery".
void ComposeHeldTip(const HeldNoticeItem* items, size_t count, char* out, size_t outSize);
