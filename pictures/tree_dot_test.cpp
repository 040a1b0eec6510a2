#include "tree_dot.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const std::string HEAD =
    "digraph btree {\n"
    "  node [shape=record, height=0.3, fontname=\"Helvetica\", fontsize=10];\n"
    "  edge [arrowsize=0.5];\n"
    "  nodesep=0.08;\n";

std::string dotOf(const BTree& tree) {
  std::ostringstream out;
  writeTreeDot(tree, out);
  return out.str();
}

TEST(TreeDot, DrawsEveryKeyAndEdgeInOrderWithTheLeavesOnOneRank) {
  BTree empty(2);
  EXPECT_EQ(dotOf(empty), HEAD + "  n1 [label=\"(no keys)\"];\n  { rank=same; n1; }\n}\n");

  // Order 2: the fourth word splits the root; "bee" gains a second place at
  // the root, and the marks of a record are escaped.
  BTree tree(2);
  for (const char* word : {"ape", "bee", "cat", "dog", "bee", "{x|y}"}) tree.insert(word, "(1,1)");
  EXPECT_EQ(dotOf(tree), HEAD +
                             "  n1 [label=\"<c1>|bee\\ (2)|<c2>\"];\n"
                             "  n1:c1 -> n2;\n"
                             "  n1:c2 -> n3;\n"
                             "  n2 [label=\"{ape\\ (1)}\"];\n"
                             "  n3 [label=\"{cat\\ (1)|dog\\ (1)|\\{x\\|y\\}\\ (1)}\"];\n"
                             "  { rank=same; n2; n3; }\n"
                             "}\n");
}

}  // namespace
