// Schedule evaluation of backup sets: whether a set is due in the current
// minute, and when its schedule (or the earliest of all) next calls for a backup.
#pragma once
#include "common/packed_time.h"
#include "settings/backup_set.h"

// 1 when the set's time schedule calls for a backup in this minute, else 0.
// Does not look at ScheduleAutomatic; the tick asks only for automatic sets.
// A last run later than parts counts as a run at parts (the clock was set back).
int IsDue(const DateTimeParts& parts, const BackupSetEntry& entry);

// The last run as every rule judges it at the present given by parts: the
// stored time, or the present when the stored time lies ahead of it.
PackedTime EffectiveLastRun(PackedTime lastRun, const DateTimeParts& parts);

// The minute at which the tick will next launch the set by its time schedule:
// the first minute from now on (the current one only at its second 0), along
// the real calendar, in which IsDue holds. 0 when the tick never launches it
// that way: not automatic, schedule off, an unknown type, no allowed weekday,
// a backup time no clock shows, or nothing before the end of the scale.
// parts must be the unpacked form of now.
PackedTime NextBackupTimeForSet(const BackupSetEntry& entry, PackedTime now,
                                const DateTimeParts& parts);

// The earliest non-zero NextBackupTimeForSet over the list from head, or 0.
PackedTime NextBackupTime(const BackupSetEntry* head, PackedTime now, const DateTimeParts& parts);
// The same over the global BackupSetList.
PackedTime NextBackupTime(PackedTime now, const DateTimeParts& parts);
