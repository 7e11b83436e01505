// ChildRead: one key of a ReadChildren call (database_manager.h).
#pragma once

// The child named Name (as FindChild finds it) and at most Size bytes of its
// data into Dest (not terminated).
struct ChildRead {
  const char* Name;
  void* Dest;
  int Size;
  int Found;  // set: 1 when there is such a child
  int Got;    // set: what ReadData returned for it (-1: unreadable)
};
