#include "index_views.h"

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
  writeDot(tree, out);
  return out.str();
}

TEST(WriteDot, DrawsEveryKeyAndEdgeInOrderWithTheLeavesOnOneRank) {
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

TEST(WriteStats, GivesTheFiguresOfTheTree) {
  // Order 2, by hand: "dog" splits the first root around "bee"; 50 places
  // of "\x7F" split [cat dog eel] around "dog". The root holds [bee dog]
  // over ["" ape], [cat] and [eel \x7F].
  BTree tree(2);
  for (const char* word : {"ape", "bee", "cat", "dog", "", "eel"}) tree.insert(word, "(1,1)");
  for (int n = 2; n <= MAX_PLACES; ++n) {
    tree.insert("\x7F", "(1," + std::to_string(n) + ")");
    tree.insert("bee", "(1," + std::to_string(n) + ")");
  }
  tree.insert("\x7F", "(2,1)");  // the 51st place is dropped
  std::ostringstream stats;
  writeStats(tree, stats);
  const std::size_t node = sizeof(BTreeNode) + 4 * sizeof(WordEntry) + 5 * sizeof(BTreeNode*);
  const std::string text = stats.str();
  EXPECT_EQ(text.substr(0, text.find(" bytes (")),
            "order                 2: each node holds 1 to 3 keys, the root up to 3\n"
            "height                2 levels\n"
            "nodes                 4, 3 leaves\n"
            "keys                  7: 6 words and the empty word of empty fields (1 place)\n"
            "keys per node         least 1, mean 1.7, most 2 (of 3), the root aside\n"
            "keys in the root      2 (of 3)\n"
            "words at 50 places    2 (each keeps only its first 50):\n"
            "                      bee \\x7f\n"
            "memory of the nodes   " + std::to_string(4 * node));
  EXPECT_NE(text.find(" MiB), 4 nodes of " + std::to_string(node) + " bytes\n"
                      "held by keys          " + std::to_string(7 * sizeof(WordEntry)) + " bytes ("),
            std::string::npos);

  BTree empty(3);
  std::ostringstream none;
  writeStats(empty, none);
  EXPECT_EQ(none.str().substr(0, none.str().find("memory")),
            "order                 3: each node holds 2 to 5 keys, the root up to 5\n"
            "height                1 level\n"
            "nodes                 1, 1 leaf\n"
            "keys                  0\n"
            "keys per node         no node but the root\n"
            "keys in the root      0 (of 5)\n"
            "words at 50 places    0\n");
}

}  // namespace
