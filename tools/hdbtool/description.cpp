// Formatting and parsing of tree descriptions.
#include "description.h"

#include <vector>

#include "text_escape.h"

namespace {

const char IndentUnit[] = "  ";
const size_t IndentWidth = sizeof IndentUnit - 1;
const char DataSeparator[] = " = ";

}  // namespace

const char DataStart[] = " = \"";
const char DataEnd[] = "\"";
const char LineEnd[] = "\n";

std::string LineStart(const std::string& name, size_t depth) {
  std::string out;
  for (size_t i = 0; i < depth; ++i) out += IndentUnit;
  return out + QuoteText(name);
}

std::string FormatLine(const std::string& name, const std::string& data, size_t depth) {
  std::string out = LineStart(name, depth);
  if (!data.empty()) out += DataStart + EscapeText(data) + DataEnd;
  return out + LineEnd;
}

std::string FormatDescription(const ObjectNode& root) {
  std::string out;
  // Depth first with an explicit stack: each entry is a node's children and
  // how many of them are written.
  std::vector<std::pair<const ObjectNode*, size_t>> stack{{&root, 0}};
  while (!stack.empty()) {
    auto& top = stack.back();
    if (top.second == top.first->Children.size()) {
      stack.pop_back();
      continue;
    }
    const ObjectNode& child = top.first->Children[top.second++];
    out += FormatLine(child.Name, child.Data, stack.size() - 1);
    stack.push_back({&child, 0});
  }
  return out;
}

bool ParseDescription(const std::string& text, ObjectNode& root, std::string& error, bool* tooDeep) {
  if (tooDeep) *tooDeep = false;
  root.Children.clear();
  // The path from the root to the object of the previous line.
  std::vector<ObjectNode*> path{&root};
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;

    auto fail = [&](const std::string& reason) {
      error = "line " + std::to_string(lineNumber) + ": " + reason;
      return false;
    };
    size_t spaces = line.find_first_not_of(' ');
    if (spaces % IndentWidth != 0) return fail("indentation is not a multiple of two spaces");
    size_t depth = spaces / IndentWidth;
    if (depth + 1 > path.size()) return fail("indented deeper than one level below the line before");
    if (depth >= MaxTreeDepth) {
      if (tooDeep) *tooDeep = true;
      return fail("nested deeper than " + std::to_string(MaxTreeDepth) + " levels");
    }
    ObjectNode node;
    size_t pos = spaces;
    std::string reason;
    if (!ParseQuoted(line, pos, node.Name, reason)) return fail("name: " + reason);
    if (pos < line.size()) {
      if (line.compare(pos, sizeof DataSeparator - 1, DataSeparator) != 0)
        return fail("expected \" = \" or the end of the line after the name");
      pos += sizeof DataSeparator - 1;
      if (!ParseQuoted(line, pos, node.Data, reason)) return fail("data: " + reason);
      if (pos != line.size()) return fail("unexpected text after the data");
    }
    path.resize(depth + 1);
    ObjectNode* parent = path.back();
    parent->Children.push_back(std::move(node));
    path.push_back(&parent->Children.back());
  }
  return true;
}
