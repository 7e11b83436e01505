// DatabaseManager: the one way programs use hierarchical databases (.hdb files).
// Opens, creates and closes databases (one shared in-memory record per path),
// and reads the tree of named objects stored in them.
//
// Results are ints: a handle or id (>= 0) on success, -1 on failure.
// Object ids are the first block of an object's stream; the root is object 1.
//
// Typical read of a value:
//   DatabaseManager db;
//   int h = db.OpenDatabase(path, OpenReadOnly);
//   int list = db.FindChild(h, 1, "Backup Set List");
//   for (int id = db.FirstChild(h, list); id != -1; id = db.NextChild(h, list, id)) {
//     char name[256]; db.ReadName(h, id, name, sizeof name);
//     int key = db.FindChild(h, id, "ScheduleDaysFlags");
//     char value[64]; int n = db.ReadData(h, key, value, sizeof value - 1);
//     db.ReleaseObject(h, key);   // every ReadData sequence ends with this
//   }
//   db.CloseDatabase(h);
//
// Beneath it, each layer calling only the ones below: the open-database table
// (database_table.h) of records (database_file.h); the object tree
// (object_tree.h) over the cache of loaded objects (object_cache.h) and kept
// children tables (child_table.h); streams (stream_cursor.h) and the
// free-block stream (free_block_stream.h); the blocks of a file
// (block_file.h, read_ahead.h); the file layer (file_manager.h) over the
// platform's files.
#pragma once
#include "database/child_read.h"
#include "database/database_table.h"
#include "database/file_manager.h"
#include "database/read_counters.h"

const int RootObjectId = 1;

class DatabaseManager {
 public:
  DatabaseManager();
  virtual ~DatabaseManager();
  DatabaseManager(const DatabaseManager&) = delete;
  DatabaseManager& operator=(const DatabaseManager&) = delete;

  // mode: OpenCreate (0), OpenReadOnly (1) or OpenReadWrite (2), from file_manager.h.
  // Returns a DatabaseHandle 0..511, or -1. Opens of one path (any letter case)
  // share one handle; every successful open needs one CloseDatabase.
  // Paths longer than 259 characters, and OpenCreate of a path that is already
  // open, are refused with -1.
  int OpenDatabase(const char* path, int mode);
  // Opens size bytes read from a database file (a FileSnapshot) read-only.
  // The bytes must stay as they are until the CloseDatabase. Every open gets
  // a record of its own, which no OpenDatabase shares; path only names it in
  // diagnostics. A handle, or -1 (no header, no free slot, no memory).
  int OpenDatabaseImage(const char* path, const unsigned char* bytes, size_t size);
  // 0, or -1 when the handle names no open database.
  int CloseDatabase(int handle);

  // The child of parent named exactly name (case matters), or -1.
  int FindChild(int handle, int parent, const char* name);
  // The first entry of parent's children table, or -1.
  int FirstChild(int handle, int parent);
  // The entry after previous in parent's children table, or -1 at the end, when
  // previous is no child, or when the table would lead back to an id already
  // returned (a damaged table must not make enumeration go round in circles).
  int NextChild(int handle, int parent, int previous);
  // Copies at most size-1 name bytes to dest and terminates them; returns that
  // count, 0 when the name could not be read, -1 when the object cannot be loaded.
  int ReadName(int handle, int id, char* dest, int size);
  // Reads up to count bytes of the object's data, continuing where the previous
  // ReadData on it stopped; 0 at the end, -1 on failure. dest is not terminated.
  int ReadData(int handle, int id, void* dest, int count);
  // Ends a ReadData sequence: the next ReadData starts at the beginning again.
  void ReleaseObject(int handle, int id);
  // Reads several children of parent in one call, each as FindChild, then
  // ReadData from the start of its data, then ReleaseObject would, with one
  // look at the parent and its table (a reader of many keys, such as the
  // settings load, saves a lookup of the parent and a lock per key). A
  // ReadData sequence in progress on a child stays as it was. 0, or -1 when
  // the parent or its children table cannot be read (then none is found).
  int ReadChildren(int handle, int parent, ChildRead* reads, int count);
};

