// Walks a whole database through the public interface, as a reader of
// untrusted files would: every child of every object, its name and its data.
// It walks the file twice, once as a reader of the file and once as a
// snapshot in memory, which must tell the same, and reads some keys of every
// object both at once and one by one, which must agree too. Shared by the fuzz target and
// the regression test over kept inputs.
#pragma once
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "database/database_check.h"
#include "database/database_manager.h"
#include "database/file_snapshot.h"

// Walks the open database h, noting every call's result in trace; visits at
// most maxObjects objects and returns how many were visited.
inline int WalkOpenDatabase(DatabaseManager& db, int h, int maxObjects, std::string& trace) {
  int visited = 0;
  std::vector<int> pending{RootObjectId};
  std::set<int> seen{RootObjectId};
  char name[300];
  char data[512];
  auto note = [&trace](int result, const char* bytes) {
    trace += std::to_string(result) + ":";
    if (bytes && result > 0) trace.append(bytes, (size_t)result);
    trace += ";";
  };
  while (!pending.empty() && visited < maxObjects) {
    int parent = pending.back();
    pending.pop_back();
    ++visited;
    int n = db.ReadName(h, parent, name, sizeof name);
    note(n, name);
    int got;
    while ((got = db.ReadData(h, parent, data, sizeof data)) > 0) note(got, data);
    note(got, nullptr);
    db.ReleaseObject(h, parent);
    note(db.FindChild(h, parent, "ScheduleDaysFlags"), nullptr);
    // Keys of an object read at once as each one by itself: its first child's
    // name among them, so that one of them is there.
    char first[64] = "";
    int firstId = db.FirstChild(h, parent);
    if (firstId >= 0 && db.ReadName(h, firstId, first, sizeof first) < 0) first[0] = '\0';
    const char* keys[] = {"ScheduleDaysFlags", first, "Name"};
    char bulk[3][64];
    ChildRead reads[3];
    for (int i = 0; i < 3; ++i) reads[i] = {keys[i], bulk[i], (int)sizeof bulk[i], 0, -1};
    note(db.ReadChildren(h, parent, reads, 3), nullptr);
    for (int i = 0; i < 3; ++i) {
      char one[64];
      int key = db.FindChild(h, parent, keys[i]);
      int got = key < 0 ? -1 : db.ReadData(h, key, one, (int)sizeof one);
      if (key >= 0) db.ReleaseObject(h, key);
      bool same = reads[i].Found == (key >= 0) && (key < 0 || (reads[i].Got == got && (got <= 0 || memcmp(bulk[i], one, (size_t)got) == 0)));
      if (!same) trace += "ReadChildren differs from FindChild and ReadData;";
      note(reads[i].Got, reads[i].Found ? bulk[i] : nullptr);
    }
    int steps = 0;
    for (int id = db.FirstChild(h, parent); id != -1 && steps < maxObjects; id = db.NextChild(h, parent, id), ++steps) {
      note(id, nullptr);
      if (seen.insert(id).second) pending.push_back(id);
    }
  }
  return visited;
}

// Walks the file at path as a reader of the file and as a snapshot, and
// checks it; false when the two walks differ.
inline bool WalkDatabase(const char* path, int maxObjects = 2000) {
  const std::string differs = "ReadChildren differs";
  DatabaseManager db;
  std::string byFile, bySnapshot;
  int h = db.OpenDatabase(path, OpenReadOnly);
  if (h >= 0) {
    WalkOpenDatabase(db, h, maxObjects, byFile);
    db.CloseDatabase(h);
  }
  FileManager files;
  FileSnapshot snapshot;
  if (TakeFileSnapshot(files, path, &snapshot) == SnapshotTaken) {
    h = db.OpenDatabaseImage(path, snapshot.Bytes, snapshot.Size);
    if (h >= 0) {
      WalkOpenDatabase(db, h, maxObjects, bySnapshot);
      db.CloseDatabase(h);
    }
  }
  std::vector<std::string> problems;
  CheckDatabase(path, problems);
  return byFile == bySnapshot && byFile.find(differs) == std::string::npos;
}
