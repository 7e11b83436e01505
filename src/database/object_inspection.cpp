// Children tables, the root block and the writer flag as tools see them.
#include "database/object_inspection.h"

#include "database/database_file.h"
#include "database/database_manager.h"

int VisitChildEntries(int handle, int id, ChildEntryVisitor& visitor) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return ObjectCannotBeLoaded;
  RecursiveLockHolder hold(db->Lock);
  NoticeFileChange(&db->Blocks);
  TransientObject object(db->Tree.Objects, (uint32_t)id);
  if (!object.Get()) return ObjectCannotBeLoaded;
  ChildTable* table = db->Tree.Tables.Load(object.Get());
  if (!table) return ChildTableUnreadable;
  for (uint32_t i = 0; i < table->Count; ++i)
    visitor.Entry(i, table->Id(i), ClassifyChildEntry(&db->Blocks, table, i));
  return 0;
}

RootBlockState DatabaseRootBlock(int handle) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return NoRootYet;
  RecursiveLockHolder hold(db->Lock);
  NoticeFileChange(&db->Blocks);
  if (BlockInFile(&db->Blocks, (uint32_t)RootObjectId)) return RootInFile;
  return db->Blocks.BlockCount() > (uint32_t)RootObjectId ? RootPastFileEnd : NoRootYet;
}

bool DatabaseWriterOpen(int handle) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return false;
  RecursiveLockHolder hold(db->Lock);
  return db->Blocks.HeaderField(HeaderWriterOpenOffset) != 0;
}
