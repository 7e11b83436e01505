// ObjectTree: the read side of the tree of named objects in one open
// database, over its loaded objects (object_cache.h) and kept children
// tables (child_table.h): finding a child by name, enumerating children,
// reading names and data. DatabaseManager's object operations are these,
// called with the database's lock held; their results are as
// database_manager.h describes them.
#pragma once
#include <stdint.h>

#include "database/block_file.h"
#include "database/child_read.h"
#include "database/child_table.h"
#include "database/object_cache.h"

struct ObjectTree {
  explicit ObjectTree(BlockFile* blocks) : Blocks(blocks), Objects(blocks), Tables(blocks) {}

  int FindChild(uint32_t parent, const char* name);
  int FirstChild(uint32_t parent);
  int NextChild(uint32_t parent, int previous);
  int ReadName(uint32_t id, char* dest, int size);
  int ReadData(uint32_t id, void* dest, int count);
  void ReleaseObject(uint32_t id) { DropObject(Objects, id); }
  int ReadChildren(uint32_t parent, ChildRead* reads, int count);

  BlockFile* Blocks;
  ObjectCache Objects;
  ChildTables Tables;
};
