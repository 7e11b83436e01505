// Waking the computer for a daily backup: which slot the wake timer is armed
// for (the earliest next slot of a daily set whose ScheduleWakeFlag is 1),
// when to wake for it (a minute before), that time in universal time under the
// zone rules of the slot's date, and how long a computer woken for it is kept
// awake. The zone rules and the facts come from the caller; nothing here asks
// the system.
#pragma once
#include <stdint.h>

#include "common/packed_time.h"
#include "settings/backup_set.h"

// A wake comes this long before its slot, so that the tick is running when
// the slot's minute begins.
const PackedTime WakeLeadSeconds = 60;

// The next slot to wake for, from now on (the current minute only at its
// second 0): the earliest over the sets, the first in list order on a tie.
struct WakeChoice {
  const BackupSetEntry* Entry;  // null: no set to wake for
  PackedTime Slot;
};
WakeChoice ChooseWake(const BackupSetEntry* head, PackedTime now, const DateTimeParts& parts);
// The local time to wake at for slot: WakeLeadSeconds before it, or the slot
// itself once that has passed.
PackedTime WakeLocalTime(PackedTime slot, PackedTime now);

// A change between standard and daylight time, as the system's zone
// information holds it: Year 0 means every year, in Month on the Day-th
// (1 to 5, 5 the last) DayOfWeek (0 Sunday), at Hour:Minute of the local
// time in force before it; any other Year names that year's Month and Day.
struct ZoneChange {
  int32_t Year, Month, DayOfWeek, Day, Hour, Minute;
};
// Universal time = local time + Bias + StandardBias or DaylightBias, in
// minutes. A Month of 0 in either change: no daylight saving.
struct ZoneRules {
  int32_t Bias, StandardBias, DaylightBias;
  ZoneChange ToStandard, ToDaylight;
};
// Whether a local wall-clock time falls in daylight time under the rules of
// its year. The hour that comes twice when daylight time ends is taken the
// first time (daylight), as the tick runs a daily set then.
bool InDaylightTime(PackedTime local, const ZoneRules& zone);
// Seconds since 1601-01-01 00:00 universal time of a local time.
int64_t UniversalSecondsOfLocal(PackedTime local, const ZoneRules& zone);
// The same as a count of 100 ns (a FILETIME's value, for an absolute due time).
int64_t UniversalFileTimeOfLocal(PackedTime local, const ZoneRules& zone);

// A computer woken for a slot is kept awake while the run comes: until the
// main program has started and ended, at most KeepAwakeMaxMs; let go at once
// when nothing is due.
const uint32_t KeepAwakeMaxMs = 4u * 3600u * 1000u;
// A launch whose main program shows no window this long has not started.
const uint32_t KeepAwakeStartMs = 2u * 60u * 1000u;
// An automatic resume this near the armed slot (before it, or after it) is the
// wake for it.
const PackedTime KeepAwakeNearSeconds = 5 * 60;

bool WakeIsForSlot(PackedTime slot, PackedTime now);

struct KeepAwake {
  bool Active;
  int32_t SetNumber;
  PackedTime Slot;
  uint32_t StartMs;
  uint32_t LaunchedMs;
  bool Launched;
  bool SawMainProgram;
};
// What the tick knows at one look at a computer kept awake.
struct AwakeFacts {
  PackedTime Now;
  uint32_t UptimeMs;
  bool SetExists;      // the set is still in the list
  PackedTime LastRun;  // its last launch
  bool Held;           // its run waits (deferred_runs.h)
  bool HeldOnBattery;  // ... for mains power, so nothing will start
  bool MainProgramRunning;
};
// Null to stay awake; otherwise why the computer may sleep again (the caller
// then lets go). Notes the launch and the main program's window in k.
const char* KeepAwakeVerdict(KeepAwake& k, const AwakeFacts& facts);
