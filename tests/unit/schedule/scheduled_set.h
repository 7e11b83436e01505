// A backup set for the schedule tests: automatic, its time schedule on, of
// the given type and time, every weekday unless said otherwise.
#pragma once
#include <string.h>

#include "settings/backup_set.h"

inline BackupSetEntry ScheduledSet(int32_t number, int32_t type, int32_t hour, int32_t minute, int32_t days = 127) {
  BackupSetEntry e;
  memset(&e, 0, sizeof e);
  e.SetNumber = number;
  e.ScheduleAutomatic = 1;
  e.SchedulePerScheduleFlag = 1;
  e.ScheduleScheduledType = type;
  e.ScheduleDaysFlags = days;
  e.ScheduleBackupTimeHour = hour;
  e.ScheduleBackupTimeMinute = minute;
  return e;
}
