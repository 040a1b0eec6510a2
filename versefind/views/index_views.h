// Two views of a word index for a person studying it: the tree's figures
// as plain text, and the tree drawn as Graphviz DOT, of the tree in memory
// or of an index file, each read through its node view (node_view.h).
// Neither changes the tree.
#ifndef VERSEFIND_INDEX_VIEWS_H
#define VERSEFIND_INDEX_VIEWS_H

#include <cstddef>
#include <ostream>

#include "index/word_index.h"
#include "views/node_view.h"

// The memory of a tree's nodes, counted from their layout: each node takes
// its own struct, 2t entry slots and 2t + 1 child pointers, used or not
// (`slotBytes`); `keyBytes` is the part of those entry slots that holds a
// key. A compact entry's array of places, and its word where it outgrows
// the buffer inside its string, lie outside the node (`outsideBytes`, their
// capacity). A classic entry's strings' own buffers are not counted.
struct NodeMemory {
  std::size_t slotBytes = 0;
  std::size_t keyBytes = 0;
  std::size_t outsideBytes = 0;
};
template <typename Entry>
NodeMemory nodeMemoryOf(const WordTree<Entry>& tree);

// Writes the tree's figures, one to a line, a label and its value: the
// order, the height, the number of nodes and of keys, how full the nodes
// are, the words that keep MAX_PLACES places (in word order; for a compact
// tree, the places in all and the word with the most) and the memory of the
// nodes (and, for a compact tree, what its entries hold outside them). The
// empty word, which the index holds for empty fields, is counted among the
// keys but named apart from the words.
template <typename Entry>
void writeStats(const WordTree<Entry>& tree, std::ostream& out);

// Writes the tree as one DOT digraph: each node a record of its keys in
// order, each key with its number of places. An inner node runs left to
// right with the ports of its children between its keys, an edge from each
// port to its child; a leaf is a column of keys. Leaves share one rank, as
// a B-tree keeps them on one level. Nodes are numbered n1, n2, ... level by
// level, from the left. Returns false, having written nothing, when a node
// could not be read.
bool writeDot(const TreeView& view, std::ostream& out);
template <typename Entry>
void writeDot(const WordTree<Entry>& tree, std::ostream& out) {
  writeDot(MemoryTreeView<Entry>(tree), out);
}

// An index file's pages as a TreeView: a page that fails its check ends
// the walk, and the file's reason() tells why.
class IndexFileView final : public TreeView {
 public:
  // REQUIRES: `file` is open and outlives the view.
  explicit IndexFileView(const class IndexFile& file);
  int order() const override;
  bool walkNodes(const NodeVisit& visit) const override;

 private:
  const IndexFile& file_;
};

// The figures of an index file, as writeStats gives those of a tree, with
// what the file adds: its pages, the largest, and the bytes of each part.
// Reads every page; returns false when one is damaged (the file's reason()
// tells which), having written the figures of none.
bool writeIndexFileStats(const class IndexFile& file, std::ostream& out);

#endif  // VERSEFIND_INDEX_VIEWS_H
