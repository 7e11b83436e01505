// DatabaseFile: the in-memory record of one open database path, shared by all
// opens of that path and owned by the open-database table (database_table.h):
// the file's blocks, its free-block stream and its objects, under one lock.
#pragma once

#include "database/block_file.h"
#include "database/free_block_stream.h"
#include "database/object_tree.h"
#include "platform/recursive_lock.h"

// Room for the path as given to the first open.
const int DatabasePathBufferSize = 1140;

struct DatabaseFile {
  DatabaseFile() : FreeBlocks(&Blocks), Tree(&Blocks) { Path[0] = '\0'; }
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;

  char Path[DatabasePathBufferSize];
  int ReferenceCount = 0;
  RecursiveLock Lock;  // serialises every operation on the database
  BlockFile Blocks;
  FreeBlockStream FreeBlocks;  // open for writers only
  ObjectTree Tree;
};
