// For tools that report damage (hdbtool): what an object's children table
// holds besides what enumeration returns, and whether a root block exists.
// Programs use FirstChild/NextChild instead.
#pragma once
#include <stdint.h>

#include <vector>

struct ChildEntry {
  uint32_t Id;
  bool Repeat;  // an earlier entry has the same id (enumeration passes over it)
  bool InFile;  // the id names a block the file can hold
};

const int ObjectCannotBeLoaded = -1;
const int ChildTableUnreadable = -2;

// 0 with the table's entries in order, ObjectCannotBeLoaded, or
// ChildTableUnreadable (it does not fit the object's stream or its chain breaks).
int ReadChildEntries(int handle, int id, std::vector<ChildEntry>& entries);
// Whether the database's blocks reach the root object (a new database has none).
bool DatabaseHasRootBlock(int handle);
