// The words in which hdbtool's check and dump describe the same damage, so
// that both tell one story about a file. A line names what is wrong, not what
// the command did about it: dump adds "; passed over" or "; not followed".
#pragma once
#include <stdint.h>

#include <string>

// Children-table entries that enumeration passes over, in the order in which
// an entry is classified: block 0, then outside the file, then a repeat.
std::string EntryNamesBlockZero(uint32_t parent, uint32_t index);
std::string EntryOutsideFile(uint32_t parent, uint32_t index, uint32_t child);
std::string EntryRepeatsChild(uint32_t parent, uint32_t index, uint32_t child);
// An entry naming an object the walk has already reached through another
// entry. Each such object is named once; later entries naming it are counted.
std::string ReachedAgain(uint32_t parent, uint32_t child);
std::string MoreReachedAgain(uint64_t entries);
// Not damage: the state of a file that a writer had open when it was read or
// copied (and of one whose writer stopped without closing it).
std::string WriterOpenNote();
