// Which of the timer tick's triggers launches a backup set in an evaluated
// minute. Shared by the tick itself and by hdbtool's replay of it.
#pragma once
#include "common/packed_time.h"
#include "settings/backup_set.h"

// CatchUp: a missed daily run made up (missed_runs.h); never chosen below.
enum class LaunchTrigger { None, Schedule, Startup, Connect, CatchUp };

// "schedule", "startup", "connect", "catch-up" (and "none").
const char* LaunchTriggerWord(LaunchTrigger trigger);

// The trigger that launches e in the minute given by parts, or None. A set
// marked to run at connect asks takeConnectEvent, which hands out the
// repository's return once (the first such set in list order takes it); a set
// marked to run at start-up runs at the first evaluated minute of each day;
// otherwise an automatic set runs when its time schedule calls for it.
LaunchTrigger ChooseLaunchTrigger(const BackupSetEntry& e, const DateTimeParts& parts, int (*takeConnectEvent)());
