// CachedObject: one loaded object of an open database, kept in the database's
// cache list from LoadObject to DropObject. Callers hold the database's lock.
#pragma once
#include <stdint.h>

#include "database/database_format.h"
#include "database/stream_cursor.h"

struct DatabaseFile;

struct CachedObject {
  ObjectHeader Header;
  StreamCursor Cursor;  // Cursor.FirstBlock is the ObjectId
  uint32_t DataReadPosition;
  CachedObject* Previous;
  CachedObject* Next;
};

CachedObject* FindCachedObject(DatabaseFile* db, uint32_t id);
// 0 when the object is (now) cached, -1 when it cannot be loaded.
int LoadObject(DatabaseFile* db, uint32_t id);
void DropObject(DatabaseFile* db, uint32_t id);
// Drops every cached object; returns how many there were.
int DropAllObjects(DatabaseFile* db);

// Loads an object for the length of one operation: the object is dropped again
// at scope exit unless it was cached before.
class TransientObject {
 public:
  TransientObject(DatabaseFile* db, uint32_t id);
  ~TransientObject();
  TransientObject(const TransientObject&) = delete;
  TransientObject& operator=(const TransientObject&) = delete;
  CachedObject* Get() const { return object_; }

 private:
  DatabaseFile* db_;
  uint32_t id_;
  CachedObject* object_;
  bool loadedHere_;
};
