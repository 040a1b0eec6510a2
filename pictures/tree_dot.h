// Draws a word index as Graphviz DOT: each node a record of its keys in
// order, each key with its number of places. An inner node has the ports of
// its children between its keys, with an edge from each port to its child;
// a leaf is a column of keys. Leaves are put on one rank, as a B-tree keeps
// them on one level.
#ifndef PICTURES_TREE_DOT_H
#define PICTURES_TREE_DOT_H

#include <ostream>

#include "word_index.h"

// Writes `tree` to `out` as one DOT digraph. Nodes are numbered n1, n2, ...
// level by level, from the left.
void writeTreeDot(const BTree& tree, std::ostream& out);

#endif  // PICTURES_TREE_DOT_H
