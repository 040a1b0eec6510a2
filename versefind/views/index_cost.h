// The work of building an index of either entry, counted as it is done, and the
// tree's figures beside the textbook's bound on its height.
#ifndef VERSEFIND_INDEX_COST_H
#define VERSEFIND_INDEX_COST_H

#include <cstdint>
#include <ostream>

#include "index/word_index.h"

// Counts what the tree tells while it is watched:
//   splits            full nodes split, the root's splits included
//   entryMoves        entries moved whole from one slot to another: by a
//                     split, the t - 1 keys of the upper half into the new
//                     node, the middle key into the parent and each key of
//                     the parent after it one slot up; by a new key in a
//                     leaf, each greater key of the leaf one slot up
//   wordComparisons   comparisons of the word being inserted with the word
//                     of a key: the scan of each node on the way down, from
//                     its last key down to the first that is not greater
//                     (all of them when every key is), and, after a child's
//                     split, the one comparison with the key that moved up
template <typename Entry>
class CostCounter : public WordTreeObserver<Entry> {
 public:
  using Node = WordNode<Entry>;
  std::uint64_t splits = 0;
  std::uint64_t entryMoves = 0;
  std::uint64_t wordComparisons = 0;

  void compared(const Node& x, int comparisons) override;
  void split(const Node& parent, int i, bool grew) override;
  void placed(const Node& x, int i, bool isNew) override;
};

// The most levels a B-tree of minimum degree t holding n keys can have,
// 1 + log_t((n + 1) / 2), rounded down (a height is a whole number).
// REQUIRES: t >= 2, n >= 1.
int heightBound(std::uint64_t n, int t);

// Writes "NAME<TAB>VALUE" lines: keys (the empty word counted), nodes,
// height (levels), height_bound, splits, entry_moves, word_comparisons.
template <typename Entry>
void writeCost(const WordTree<Entry>& tree, const CostCounter<Entry>& counted, std::ostream& out);

#endif  // VERSEFIND_INDEX_COST_H
