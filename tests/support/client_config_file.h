// Builds ClientConfig.hdb files for tests and timing tools with the engine's
// object writer: preferences and backup sets given as key/value text, as the
// main program stores them, or any object tree. Portable, so that native and
// Windows tests share it.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "database/database_manager.h"
#include "database/object_writer.h"

namespace testconfig {

typedef std::vector<std::pair<std::string, std::string>> Keys;

inline ObjectNode Key(const std::string& name, const std::string& value) {
  ObjectNode n;
  n.Name = name;
  n.Data = value;
  return n;
}

inline ObjectNode Node(const std::string& name, std::vector<ObjectNode> children) {
  ObjectNode n;
  n.Name = name;
  n.Children = std::move(children);
  return n;
}

inline ObjectNode Root(std::vector<ObjectNode> children) { return Node("", std::move(children)); }

// An object holding only keys: a backup set (named by its number) or the
// preferences.
inline ObjectNode Set(const std::string& objectName, const Keys& keys) {
  ObjectNode n;
  n.Name = objectName;
  for (const auto& k : keys) n.Children.push_back(Key(k.first, k.second));
  return n;
}

// Writes root as a new database at path (replacing it); true on success.
inline bool WriteDatabase(const std::string& path, const ObjectNode& root) {
  DatabaseManager db;
  int h = db.OpenDatabase(path.c_str(), OpenCreate);
  if (h < 0) return false;
  bool ok = WriteObjectTree(db, h, root) == 0;
  db.CloseDatabase(h);
  return ok;
}

// A whole ClientConfig.hdb: the scheduler's preferences and the backup sets.
struct ClientConfig {
  bool HasPreferences = true;
  Keys Preferences;               // e.g. {"SettleTime","0"}
  std::vector<ObjectNode> Sets;   // children of "Backup Set List"

  void AddSet(const std::string& objectName, const Keys& keys) { Sets.push_back(Set(objectName, keys)); }

  bool Write(const std::string& path) const {
    std::vector<ObjectNode> top;
    if (HasPreferences) top.push_back(Set("SchedulerPreferences", Preferences));
    top.push_back(Node("Backup Set List", Sets));
    return WriteDatabase(path, Root(std::move(top)));
  }
};

// A set that is due at every evaluated minute: every-N-minutes, all day, every
// weekday, never run.
inline Keys DueNowSet(const std::string& name) {
  return {{"Name", name},
          {"ScheduleAutomatic", "1"},
          {"SchedulePerScheduleFlag", "1"},
          {"ScheduleScheduledType", "1"},
          {"ScheduleDaysFlags", "127"},
          {"ScheduleAllDayFlag", "1"},
          {"ScheduleFrequency", "60"}};
}

}  // namespace testconfig
