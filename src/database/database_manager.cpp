// DatabaseManager: the shared file layer of its instances, opening and closing
// through the open-database table's steps, and the object operations, each
// under its database's lock.
#include "database/database_manager.h"

#include <string.h>

#include "database/database_file.h"
#include "platform/spin_lock.h"

namespace {

FileManager* g_files = nullptr;
volatile long g_instanceCount = 0;

bool ValidMode(int mode) { return mode == OpenCreate || mode == OpenReadOnly || mode == OpenReadWrite; }

bool ValidOpenRequest(const char* path, int mode) {
  return path && *path && strnlen(path, PathBufferSize) <= (size_t)MaxPathLength && ValidMode(mode);
}

// The open database behind handle, locked and, for a read-only open, looked
// at for changes of its file: what every object operation starts with.
class LockedDatabase {
 public:
  explicit LockedDatabase(int handle) : db_(LookUpDatabase(handle)) {
    if (!db_) return;
    db_->Lock.Enter();
    NoticeFileChange(&db_->Blocks);
  }
  ~LockedDatabase() {
    if (db_) db_->Lock.Leave();
  }
  LockedDatabase(const LockedDatabase&) = delete;
  LockedDatabase& operator=(const LockedDatabase&) = delete;
  ObjectTree* Tree() const { return db_ ? &db_->Tree : nullptr; }

 private:
  DatabaseFile* db_;
};

}  // namespace

DatabaseManager::DatabaseManager() {
  if (__atomic_fetch_add(&g_instanceCount, 1, __ATOMIC_ACQ_REL) == 0) g_files = new FileManager();
}

DatabaseManager::~DatabaseManager() {
  if (__atomic_fetch_add(&g_instanceCount, -1, __ATOMIC_ACQ_REL) == 1) {
    delete g_files;
    g_files = nullptr;
  }
}

int DatabaseManager::OpenDatabase(const char* path, int mode) {
  if (!ValidOpenRequest(path, mode)) return -1;
  if (mode == OpenReadOnly && !g_files->FileExists(path)) return -1;
  LockSlotHolder tableLock(DatabaseTableLockSlot);
  if (!EnsureDatabaseTable()) return -1;
  const int open = FindOpenDatabase(path);
  if (open >= 0) return ShareOpenDatabase(open, mode);

  DatabaseFile* db = nullptr;
  const int slot = EnterNewRecord(*g_files, path, db);
  if (slot == -1) return -1;
  bool created = false;
  const bool opened = mode != OpenCreate && g_files->FileExists(path) ? OpenExistingFile(db, path, mode)
                                                                      : CreateDatabaseFile(db, path, mode, &created);
  if (opened && PlaceAtFirstBlock(db)) return slot;
  DiscardFailedOpen(slot, created);
  return -1;
}

int DatabaseManager::OpenDatabaseImage(const char* path, const unsigned char* bytes, size_t size) {
  if (!bytes || size < HeaderUnitSize) return -1;
  LockSlotHolder tableLock(DatabaseTableLockSlot);
  if (!EnsureDatabaseTable()) return -1;
  DatabaseFile* db = nullptr;
  const int slot = EnterNewRecord(*g_files, path, db);
  if (slot == -1) return -1;
  if (OpenImageFile(db, bytes, size)) return slot;
  DiscardFailedOpen(slot, false);
  return -1;
}

int DatabaseManager::CloseDatabase(int handle) {
  LockSlotHolder tableLock(DatabaseTableLockSlot);
  return CloseDatabaseRecord(handle);
}

int DatabaseManager::FindChild(int handle, int parent, const char* name) {
  if (!name) return -1;
  LockedDatabase db(handle);
  return db.Tree() ? db.Tree()->FindChild((uint32_t)parent, name) : -1;
}

int DatabaseManager::FirstChild(int handle, int parent) {
  LockedDatabase db(handle);
  return db.Tree() ? db.Tree()->FirstChild((uint32_t)parent) : -1;
}

int DatabaseManager::NextChild(int handle, int parent, int previous) {
  LockedDatabase db(handle);
  return db.Tree() ? db.Tree()->NextChild((uint32_t)parent, previous) : -1;
}

int DatabaseManager::ReadName(int handle, int id, char* dest, int size) {
  LockedDatabase db(handle);
  return db.Tree() ? db.Tree()->ReadName((uint32_t)id, dest, size) : -1;
}

int DatabaseManager::ReadData(int handle, int id, void* dest, int count) {
  if (count < 0 || (!dest && count > 0)) return -1;
  LockedDatabase db(handle);
  return db.Tree() ? db.Tree()->ReadData((uint32_t)id, dest, count) : -1;
}

void DatabaseManager::ReleaseObject(int handle, int id) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return;
  RecursiveLockHolder hold(db->Lock);
  db->Tree.ReleaseObject((uint32_t)id);
}

int DatabaseManager::ReadChildren(int handle, int parent, ChildRead* reads, int count) {
  if (count < 0 || (!reads && count > 0)) return -1;
  LockedDatabase db(handle);
  if (!db.Tree()) return -1;
  for (int i = 0; i < count; ++i) {
    reads[i].Found = 0;
    reads[i].Got = -1;
  }
  return db.Tree()->ReadChildren((uint32_t)parent, reads, count);
}
