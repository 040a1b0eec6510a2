#include "tree_dot.h"

#include <cstddef>
#include <string>
#include <vector>

namespace {

// A word as a field of a record label: the characters that structure a
// record are escaped, and bytes that are not printable ASCII shown as \xNN.
std::string fieldText(const std::string& word) {
  if (word.empty()) return "(empty)";
  static const char* const HEX = "0123456789ABCDEF";
  std::string text;
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      text += "\\\\x";
      text += HEX[byte >> 4];
      text += HEX[byte & 0xF];
    } else {
      if (std::string("{}|<>\"\\ ").find(c) != std::string::npos) text += '\\';
      text += c;
    }
  }
  return text;
}

// An inner node runs left to right, a port for each child around its keys;
// a leaf stands as a column of its keys, which keeps a wide tree narrower.
std::string label(const BTreeNode& x) {
  if (x.isLeaf && x.keyCount == 0) return "(no keys)";
  std::string text;
  for (int j = 1; j <= x.keyCount; ++j) {
    if (!x.isLeaf) text += "<c" + std::to_string(j) + ">|";
    text += fieldText(x.keys[j].word) + "\\ (" + std::to_string(x.keys[j].placeCount) + ")";
    if (j < x.keyCount || !x.isLeaf) text += "|";
  }
  if (x.isLeaf) return "{" + text + "}";
  return text + "<c" + std::to_string(x.keyCount + 1) + ">";
}

}  // namespace

void writeTreeDot(const BTree& tree, std::ostream& out) {
  out << "digraph btree {\n"
         "  node [shape=record, height=0.3, fontname=\"Helvetica\", fontsize=10];\n"
         "  edge [arrowsize=0.5];\n"
         "  nodesep=0.08;\n";
  // Nodes are numbered in the order the walk visits them, level by level;
  // the children of each are numbered as they are met, which is the same.
  std::size_t visited = 0;
  std::size_t numbered = 1;
  std::vector<std::size_t> leaves;
  tree.walkNodes([&](const BTreeNode& x, int) {
    const std::size_t n = ++visited;
    out << "  n" << n << " [label=\"" << label(x) << "\"];\n";
    if (x.isLeaf) {
      leaves.push_back(n);
      return true;
    }
    for (int j = 1; j <= x.keyCount + 1; ++j) {
      out << "  n" << n << ":c" << j << " -> n" << ++numbered << ";\n";
    }
    return true;
  });
  out << "  { rank=same;";
  for (const std::size_t leaf : leaves) out << " n" << leaf << ";";
  out << " }\n}\n";
}
