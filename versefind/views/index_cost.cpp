#include "views/index_cost.h"

#include <algorithm>

template <typename Entry>
void CostCounter<Entry>::compared(const Node& /*x*/, int comparisons) {
  wordComparisons += static_cast<std::uint64_t>(comparisons);
}

template <typename Entry>
void CostCounter<Entry>::split(const Node& parent, int i, bool /*grew*/) {
  // The parent now holds the middle key at i, and the keys that were at
  // i and after it stand one slot up.
  const int t = parent.order;
  ++splits;
  entryMoves += static_cast<std::uint64_t>((t - 1) + 1 + (parent.keyCount - i));
}

template <typename Entry>
void CostCounter<Entry>::placed(const Node& x, int i, bool isNew) {
  // A new key at i stands below the keys it moved up: i + 1 to keyCount.
  if (isNew) entryMoves += static_cast<std::uint64_t>(x.keyCount - i);
}

int heightBound(std::uint64_t n, int t) {
  // 1 + the largest m with t^m <= (n + 1) / 2, that is 2 t^m <= n + 1.
  const auto base = static_cast<std::uint64_t>(t);
  int m = 0;
  for (std::uint64_t power = base; 2 * power <= n + 1; power *= base) ++m;
  return 1 + m;
}

template <typename Entry>
void writeCost(const WordTree<Entry>& tree, const CostCounter<Entry>& counted, std::ostream& out) {
  std::uint64_t keys = 0;
  std::uint64_t nodes = 0;
  int height = 0;
  tree.walkNodes([&](const WordNode<Entry>& x, int depth) {
    ++nodes;
    keys += static_cast<std::uint64_t>(x.keyCount);
    height = std::max(height, depth + 1);
    return true;
  });
  out << "keys\t" << keys << "\n"
      << "nodes\t" << nodes << "\n"
      << "height\t" << height << "\n";
  if (keys > 0) out << "height_bound\t" << heightBound(keys, tree.order) << "\n";
  out << "splits\t" << counted.splits << "\n"
      << "entry_moves\t" << counted.entryMoves << "\n"
      << "word_comparisons\t" << counted.wordComparisons << "\n";
}

template class CostCounter<WordEntry>;
template class CostCounter<CompactEntry>;
template void writeCost(const WordTree<WordEntry>&, const CostCounter<WordEntry>&, std::ostream&);
template void writeCost(const WordTree<CompactEntry>&, const CostCounter<CompactEntry>&,
                        std::ostream&);
