// For tools that report damage (hdbtool): what an object's children table
// holds besides what enumeration returns, whether a root block exists, and
// the header's writer flag. Programs use FirstChild/NextChild instead.
#pragma once
#include <stdint.h>

#include "database/child_table.h"

// Receives the entries of one children table in order. It is called with the
// database's lock held and must not call the engine.
class ChildEntryVisitor {
 public:
  virtual void Entry(uint32_t index, uint32_t id, ChildEntryKind kind) = 0;

 protected:
  ~ChildEntryVisitor() {}
};

const int ObjectCannotBeLoaded = -1;
const int ChildTableUnreadable = -2;

// 0 after visiting every entry of id's children table, ObjectCannotBeLoaded,
// or ChildTableUnreadable (it does not fit the object's stream, its chain
// breaks, or memory ran short).
int VisitChildEntries(int handle, int id, ChildEntryVisitor& visitor);
// Where the root object's block stands: in the file, not written yet (a new
// database has none), or past the end of a file whose header counts it.
enum RootBlockState { RootInFile, NoRootYet, RootPastFileEnd };
RootBlockState DatabaseRootBlock(int handle);
// Whether the header says a writer has the file open (see WriterOpenNote).
bool DatabaseWriterOpen(int handle);
