// Databases for tests written as text: the description hdbtool's dump prints
// and its build reads (docs/hdb-format.md), one object a line, so that a test
// shows the tree it loads as a user would see it.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "database/object_writer.h"
#include "description.h"

namespace testconfig {

// The tree a description gives; a description that does not parse fails the
// test that wrote it.
inline ObjectNode Described(const std::string& text) {
  ObjectNode root;
  std::string error;
  if (!ParseDescription(text, root, error)) ADD_FAILURE() << "description: " << error;
  return root;
}

}  // namespace testconfig
