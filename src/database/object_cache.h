// The objects of one open database that are loaded: each CachedObject is kept
// in the cache's list from LoadObject to DropObject, and a few dropped
// records wait for the next loads. Callers hold the database's lock.
#pragma once
#include <stdint.h>

#include "database/block_file.h"
#include "database/database_format.h"
#include "database/stream_cursor.h"

const int SpareObjectLimit = 4;

struct CachedObject {
  ObjectHeader Header;
  StreamCursor Cursor;  // Cursor.FirstBlock is the ObjectId
  uint32_t DataReadPosition;
  CachedObject* Previous;
  CachedObject* Next;
};

struct ObjectCache {
  explicit ObjectCache(BlockFile* blocks) : Blocks(blocks) {}
  ~ObjectCache();
  ObjectCache(const ObjectCache&) = delete;
  ObjectCache& operator=(const ObjectCache&) = delete;

  BlockFile* Blocks;  // what objects are read from
  CachedObject* Head = nullptr;
  CachedObject* Tail = nullptr;
  CachedObject* Spares = nullptr;  // dropped records kept for the next loads, by Next
  int SpareCount = 0;
};

CachedObject* FindCachedObject(ObjectCache& cache, uint32_t id);
// 0 when the object is (now) cached, -1 when it cannot be loaded.
int LoadObject(ObjectCache& cache, uint32_t id);
void DropObject(ObjectCache& cache, uint32_t id);
// Drops every cached object; returns how many there were.
int DropAllObjects(ObjectCache& cache);

// Loads an object for the length of one operation: the object is dropped again
// at scope exit unless it was cached before.
class TransientObject {
 public:
  TransientObject(ObjectCache& cache, uint32_t id);
  ~TransientObject();
  TransientObject(const TransientObject&) = delete;
  TransientObject& operator=(const TransientObject&) = delete;
  CachedObject* Get() const { return object_; }

 private:
  ObjectCache& cache_;
  uint32_t id_;
  CachedObject* object_;
  bool loadedHere_;
};
