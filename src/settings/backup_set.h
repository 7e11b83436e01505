// BackupSetEntry: one backup set as loaded from ClientConfig.hdb, and the
// process-global list of them that the tick, the schedules and the tray read.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"

// Display names hold up to this many bytes; the field has room for one more,
// the terminator, so a name of full length is never left unterminated.
const int BackupSetNameLength = 64;

struct BackupSetEntry {
  int32_t SetNumber;
  char Name[BackupSetNameLength + 1];
  int32_t BackupType;
  int32_t ScheduleAutomatic;
  int32_t ScheduleAtStartupFlag;
  int32_t ScheduleStartupDelay;
  int32_t ScheduleAtShutdownFlag;
  int32_t ScheduleAtConnectFlag;
  int32_t SchedulePerScheduleFlag;
  int32_t ScheduleScheduledType;
  int32_t ScheduleDaysFlags;
  int32_t ScheduleBackupTimeHour;
  int32_t ScheduleBackupTimeMinute;
  int32_t ScheduleAllDayFlag;
  int32_t ScheduleFrequency;
  int32_t ScheduleStartTimeHour;
  int32_t ScheduleStartTimeMinute;
  int32_t ScheduleEndTimeHour;
  int32_t ScheduleEndTimeMinute;
  PackedTime LastRunTime;
  int32_t TurnOffComputerFlag;
  int32_t ExitFlag;
  // 1 (daily sets): the computer is woken from standby or hibernation for
  // the set's next slot.
  int32_t ScheduleWakeFlag;
  BackupSetEntry* next;
};

// Head of the loaded sets, in the order the database enumerates them; null
// before the first load that found "Backup Set List". Owned by the window thread.
extern BackupSetEntry* BackupSetList;

// How many entries the list from head has.
size_t CountBackupSets(const BackupSetEntry* head);
// Frees every entry of a list given by its head.
void FreeBackupSetEntries(BackupSetEntry* head);
// Frees the global list and leaves it empty.
void FreeBackupSetList();
