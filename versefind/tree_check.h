// Checks of the word index's invariants (those stated in word_index.h), for
// the tests and the fuzz targets. The programs themselves never call them.
#ifndef VERSEFIND_TREE_CHECK_H
#define VERSEFIND_TREE_CHECK_H

#include <string>

#include "word_index.h"

// Describes the first broken invariant of an entry, or returns "" when the
// entry is sound.
std::string findEntryFault(const WordEntry& entry);

// Walks the whole tree: key order inside each node and against the bounds
// its parent sets, fill bounds, every node of the tree's order, all leaves
// on one level, and every key's entry. Describes the first fault found, or
// returns "" when the tree is sound. `keyCount` receives the number of keys
// walked.
std::string findTreeFault(const BTree& tree, int& keyCount);

#endif  // VERSEFIND_TREE_CHECK_H
