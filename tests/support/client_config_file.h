// Builds ClientConfig.hdb files for tests with the engine's object writer:
// preferences and backup sets given as key/value text, as the main program
// stores them.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "database/database_manager.h"
#include "database/object_writer.h"

namespace testconfig {

typedef std::vector<std::pair<std::string, std::string>> Keys;

inline ObjectNode Node(const std::string& name, const std::string& data = std::string()) {
  ObjectNode n;
  n.Name = name;
  n.Data = data;
  return n;
}

inline ObjectNode WithKeys(ObjectNode node, const Keys& keys) {
  for (const auto& k : keys) node.Children.push_back(Node(k.first, k.second));
  return node;
}

struct ClientConfig {
  bool HasPreferences = true;
  Keys Preferences;               // e.g. {"SettleTime","0"}
  std::vector<ObjectNode> Sets;   // children of "Backup Set List"

  void AddSet(const std::string& objectName, const Keys& keys) { Sets.push_back(WithKeys(Node(objectName), keys)); }

  // Writes the database at path (replacing it). true on success.
  bool Write(const std::string& path) const {
    ObjectNode root = Node("");
    if (HasPreferences) root.Children.push_back(WithKeys(Node("SchedulerPreferences"), Preferences));
    ObjectNode list = Node("Backup Set List");
    list.Children = Sets;
    root.Children.push_back(list);
    DatabaseManager db;
    int handle = db.OpenDatabase(path.c_str(), OpenCreate);
    if (handle < 0) return false;
    int result = WriteObjectTree(db, handle, root);
    db.CloseDatabase(handle);
    return result == 0;
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
