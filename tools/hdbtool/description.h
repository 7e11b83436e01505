// The text form of an object tree shared by "dump" and "build": one line per
// object below the root, two spaces of indentation per depth (the root's
// children at 0), the quoted name, and for an object with data " = " and the
// quoted data. Children appear in children-table order.
#pragma once
#include <string>

#include "database/object_writer.h"

// Trees deeper than this are refused by build and not followed by dump: far
// deeper than any description a person writes, and the limit that keeps the
// trees in memory shallow enough for a 1 MB stack.
const size_t MaxTreeDepth = 1000;

// The description of root's children and everything below them.
std::string FormatDescription(const ObjectNode& root);
// The line of one object at depth (0 for the root's children), with its end.
std::string FormatLine(const std::string& name, const std::string& data, size_t depth);
// The same line in pieces, for data written as it is read: LineStart, then
// only when there is data DataStart, the data through EscapeText and
// DataEnd, then LineEnd.
std::string LineStart(const std::string& name, size_t depth);
extern const char DataStart[];
extern const char DataEnd[];
extern const char LineEnd[];

// Parses a description into root's children. Blank lines are ignored and a
// carriage return before a line end is dropped. On failure returns false and
// sets error to "line N: reason", and tooDeep (when given) to whether the
// reason is nesting beyond MaxTreeDepth.
bool ParseDescription(const std::string& text, ObjectNode& root, std::string& error, bool* tooDeep = nullptr);
