// Checks of the word index's invariants (those stated in word_index.h), and
// an entry's places as a list, for the tests and the fuzz targets. The
// programs themselves never call them.
#ifndef TESTING_TREE_CHECK_H
#define TESTING_TREE_CHECK_H

#include <string>
#include <vector>

#include "index/word_index.h"

// The places an entry holds, in order.
std::vector<std::string> placesOf(const WordEntry& entry);

// Describes the first broken invariant of an entry, or returns "" when the
// entry is sound.
std::string findEntryFault(const WordEntry& entry);
std::string findEntryFault(const CompactEntry& entry);

// Walks the whole tree: every node of the tree's order, within its fill
// bounds and with its children present, all leaves on one level, every key's
// entry, then every key in order across the whole tree. Describes the first fault found, or
// returns "" when the tree is sound. `keyCount` receives the number of keys
// walked.
// Serves the tree of either kind of entry.
template <typename Entry>
std::string findTreeFault(const WordTree<Entry>& tree, int& keyCount);

#endif  // TESTING_TREE_CHECK_H
