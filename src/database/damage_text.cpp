// Damage wording shared by check and dump.
#include "database/damage_text.h"

namespace {

std::string Entry(uint32_t parent, uint32_t index) {
  return "object " + std::to_string(parent) + ": entry " + std::to_string(index);
}

}  // namespace

std::string EntryNamesBlockZero(uint32_t parent, uint32_t index) {
  return Entry(parent, index) + " names block 0, which holds no object";
}

std::string EntryOutsideFile(uint32_t parent, uint32_t index, uint32_t child) {
  return Entry(parent, index) + " names object " + std::to_string(child) + ", outside the file";
}

std::string EntryRepeatsChild(uint32_t parent, uint32_t index, uint32_t child) {
  return Entry(parent, index) + " repeats child " + std::to_string(child);
}

std::string ReachedAgain(uint32_t parent, uint32_t child) {
  return "object " + std::to_string(child) + " under object " + std::to_string(parent) +
         " is reached a second time (cycle or shared child)";
}

std::string MoreReachedAgain(uint64_t entries) {
  return std::to_string(entries) + " more entries name objects already reported as reached a second time";
}

std::string WriterOpenNote() {
  return "header: WriterOpen is set (a program had the file open for writing when it was read or copied, "
         "or did not close it)";
}
