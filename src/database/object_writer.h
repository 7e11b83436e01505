// Writing objects into a database opened with OpenCreate or OpenReadWrite.
// Only tools and tests write objects; the scheduler never does.
//
// Layout written for every object: the 28-byte object header (unused bytes
// zero), the name at offset 28, the children table right after the name, the
// data after the table, running to the end of the stream.
#pragma once
#include <string>
#include <vector>

class DatabaseManager;

// Creates an object named name with dataLength bytes of data (data may be null
// when dataLength is 0) and appends it to parent's children table. When parent
// is the root (1) and the database has no root yet, the root is created first
// (with an empty name). Returns the new ObjectId, or -1 (bad handle, read-only
// database, unreadable parent, name longer than an object can hold, I/O error).
// Rewrites the parent's stream, so it costs time in proportion to the parent's
// size; build large trees with WriteObjectTree instead.
// A pending ReadData sequence on the parent is ended (as by ReleaseObject).
int CreateObject(DatabaseManager& db, int handle, int parent, const char* name,
                 const void* data, unsigned dataLength);

// Replaces the data of an existing object. Returns 0, or -1.
int WriteObjectData(DatabaseManager& db, int handle, int id, const void* data,
                    unsigned dataLength);

// A whole tree in memory, written in one pass.
struct ObjectNode {
  std::string Name;
  std::string Data;                  // may hold any bytes, also zeros
  std::vector<ObjectNode> Children;  // in children-table order
};

// Writes root (its name and data, and all its descendants) as object 1 of an
// empty database (one that has no root yet). Returns 0, or -1.
int WriteObjectTree(DatabaseManager& db, int handle, const ObjectNode& root);
