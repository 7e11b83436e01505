// The text form of an object tree shared by "dump" and "build": one line per
// object below the root, two spaces of indentation per depth (the root's
// children at 0), the quoted name, and for an object with data " = " and the
// quoted data. Children appear in children-table order.
#pragma once
#include <string>

#include "database/object_writer.h"

// The description of root's children and everything below them.
std::string FormatDescription(const ObjectNode& root);

// Parses a description into root's children. Blank lines are ignored and a
// carriage return before a line end is dropped. On failure returns false and
// sets error to "line N: reason".
bool ParseDescription(const std::string& text, ObjectNode& root, std::string& error);
