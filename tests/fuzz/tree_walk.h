// Walks a whole database through the public interface, as a reader of
// untrusted files would: every child of every object, its name and its data.
// Shared by the fuzz target and the regression test over kept inputs.
#pragma once
#include <set>
#include <vector>

#include "database/database_check.h"
#include "database/database_manager.h"

// Visits at most maxObjects objects; returns how many were visited.
inline int WalkDatabase(const char* path, int maxObjects = 2000) {
  DatabaseManager db;
  int h = db.OpenDatabase(path, OpenReadOnly);
  if (h < 0) return 0;
  int visited = 0;
  std::vector<int> pending{RootObjectId};
  std::set<int> seen{RootObjectId};
  char name[300];
  char data[512];
  while (!pending.empty() && visited < maxObjects) {
    int parent = pending.back();
    pending.pop_back();
    ++visited;
    db.ReadName(h, parent, name, sizeof name);
    while (db.ReadData(h, parent, data, sizeof data) > 0) {
    }
    db.ReleaseObject(h, parent);
    db.FindChild(h, parent, "ScheduleDaysFlags");
    int steps = 0;
    for (int id = db.FirstChild(h, parent); id != -1 && steps < maxObjects; id = db.NextChild(h, parent, id), ++steps) {
      if (seen.insert(id).second) pending.push_back(id);
    }
  }
  db.CloseDatabase(h);
  std::vector<std::string> problems;
  CheckDatabase(path, problems);
  return visited;
}
