// Children tables and the root block as tools see them.
#include "database/object_inspection.h"

#include "database/cached_object.h"
#include "database/child_table.h"
#include "database/database_file.h"
#include "database/database_manager.h"

int ReadChildEntries(int handle, int id, std::vector<ChildEntry>& entries) {
  entries.clear();
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return ObjectCannotBeLoaded;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  TransientObject object(db, (uint32_t)id);
  if (!object.Get()) return ObjectCannotBeLoaded;
  ChildTable* table = LoadChildTable(db, object.Get());
  if (!table) return ChildTableUnreadable;
  for (uint32_t i = 0; i < table->Count; ++i)
    entries.push_back({table->Id(i), table->Repeats[i] != 0, ObjectIdInFile(db, table->Id(i))});
  return 0;
}

bool DatabaseHasRootBlock(int handle) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return false;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  return ObjectIdInFile(db, (uint32_t)RootObjectId);
}
