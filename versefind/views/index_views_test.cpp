#include "views/index_views.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const std::string HEAD =
    "digraph btree {\n"
    "  node [shape=record, height=0.3, fontname=\"Helvetica\", fontsize=10];\n"
    "  edge [arrowsize=0.5];\n"
    "  nodesep=0.08;\n";

template <typename Entry>
std::string dotOf(const WordTree<Entry>& tree) {
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

// The compact tree is the same tree: the same insertions give the same
// drawing and the same figures up to the places; its memory counts the lists
// of places and a word too long for its string, outside the nodes.
TEST(WriteStats, CountsTheCompactTreeAndWhatItsEntriesHoldOutside) {
  BTree classic(2);
  CompactTree compact(2);
  const std::string longWord(40, 'w');
  std::uint32_t line = 0;
  for (const std::string word : {"ape", "bee", "cat", "dog", "bee", "", "eel", "bee", "ant"}) {
    classic.insert(word, "(1," + std::to_string(++line) + ")");
    compact.insert(word, WordPlace{line, 1});
  }
  compact.insert(longWord, WordPlace{++line, 1});
  classic.insert(longWord, "(1," + std::to_string(line) + ")");
  EXPECT_EQ(dotOf(compact), dotOf(classic));
  std::ostringstream classicStats;
  std::ostringstream compactStats;
  writeStats(classic, classicStats);
  writeStats(compact, compactStats);
  const std::string head = classicStats.str().substr(0, classicStats.str().find("words at"));
  EXPECT_EQ(compactStats.str().substr(0, head.size()), head);
  EXPECT_NE(compactStats.str().find("places                10, every one kept; the most, 3, for bee\n"),
            std::string::npos);

  // Of the words, only the long one has a buffer of its own.
  std::size_t outside = 0;
  compact.walkInOrder([&](const CompactEntry& entry) {
    outside += entry.places.capacity() * sizeof(WordPlace);
    if (entry.word == longWord) outside += entry.word.capacity() + 1;
    return true;
  });
  EXPECT_EQ(nodeMemoryOf(compact).outsideBytes, outside);
  EXPECT_EQ(nodeMemoryOf(classic).outsideBytes, 0u);
}

// The words at 50 places fill a line up to the 79th column, and no further.
TEST(WriteStats, WrapsTheWordsAt50PlacesAfterTheSeventyNinthColumn) {
  const std::string indent(22, ' ');
  for (const std::size_t second : {28, 29}) {
    BTree tree(2);
    for (const std::string& word : {std::string(28, 'a'), std::string(second, 'b')}) {
      for (int n = 1; n <= MAX_PLACES; ++n) tree.insert(word, "(1," + std::to_string(n) + ")");
    }
    std::ostringstream stats;
    writeStats(tree, stats);
    const std::string list = indent + std::string(28, 'a') + (second == 28 ? " " : "\n" + indent) +
                             std::string(second, 'b') + "\nmemory";
    EXPECT_NE(stats.str().find(":\n" + list), std::string::npos) << stats.str();
  }
}

}  // namespace
