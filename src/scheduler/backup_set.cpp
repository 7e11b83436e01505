// The global backup-set list and its release.
#include "scheduler/backup_set.h"

BackupSetEntry* BackupSetList = nullptr;

void FreeBackupSetEntries(BackupSetEntry* head) {
  while (head != nullptr) {
    BackupSetEntry* next = head->next;
    delete head;
    head = next;
  }
}

void FreeBackupSetList() {
  FreeBackupSetEntries(BackupSetList);
  BackupSetList = nullptr;
}
