// The global backup-set list and its release.
#include "settings/backup_set.h"

BackupSetEntry* BackupSetList = nullptr;

size_t CountBackupSets(const BackupSetEntry* head) {
  size_t count = 0;
  for (; head != nullptr; head = head->next) ++count;
  return count;
}

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
