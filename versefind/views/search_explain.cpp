#include "views/search_explain.h"

#include <algorithm>
#include <map>
#include <utility>

#include "index/index_file.h"
#include "query/concordance.h"

namespace {

// The nodes a search reads, in order, with the comparisons made in each.
template <typename Entry>
class VisitRecorder : public WordTreeObserver<Entry> {
 public:
  using Node = WordNode<Entry>;
  std::vector<std::pair<const Node*, int>> visits;
  void visited(const Node& x, int comparisons) override { visits.emplace_back(&x, comparisons); }
};

struct NodeNumber {
  int number;
  int depth;
};

// Every node's number and depth, as --dot numbers them.
template <typename Entry>
std::map<const WordNode<Entry>*, NodeNumber> numberNodes(const WordTree<Entry>& tree) {
  std::map<const WordNode<Entry>*, NodeNumber> numbers;
  tree.walkNodes([&](const WordNode<Entry>& x, int depth) {
    const int number = static_cast<int>(numbers.size()) + 1;
    numbers[&x] = {number, depth};
    return true;
  });
  return numbers;
}

std::string plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The `k` keys of a node or a page, key j (from 1) given by `keyAt(j)`, cut
// to the MOST_KEYS_SHOWN around key `at` when there are more.
template <typename KeyAt>
std::string shownKeys(int k, int at, KeyAt keyAt) {
  int first = 1;
  int last = k;
  if (k > MOST_KEYS_SHOWN) {
    first = std::max(1, std::min(at - MOST_KEYS_SHOWN / 2, k - MOST_KEYS_SHOWN + 1));
    last = first + MOST_KEYS_SHOWN - 1;
  }
  std::string text = "[";
  if (first > 1) text += "(" + std::to_string(first - 1) + " before) ";
  for (int j = first; j <= last; ++j) {
    if (j > first) text += ' ';
    text += tracedWord(keyAt(j));
  }
  if (last < k) text += " (" + std::to_string(k - last) + " after)";
  return text + "]";
}

template <typename Entry>
std::string shownKeys(const WordNode<Entry>& x, int at) {
  return shownKeys(x.keyCount, at, [&x](int j) -> const std::string& { return x.keys[j].word; });
}

// One node read by the search of `word`: its keys, its comparisons and
// where the search went from it. Returns the key that equals the word, or 0.
template <typename Entry>
int explainVisit(const WordNode<Entry>& x, int comparisons, const NodeNumber& n,
                 const std::string& word, std::ostream& out) {
  const int k = x.keyCount;
  // The comparisons stopped at key `comparisons`, the first not below the
  // word, or passed every key.
  const int stop = comparisons;
  const bool passedAll = stop == k && (k == 0 || x.keys[k].word < word);
  out << "  node " << n.number << " (depth " << n.depth << ", " << plural(k, "key", "keys")
      << "): " << shownKeys(x, std::max(stop, 1)) << "\n    "
      << plural(comparisons, "comparison", "comparisons");
  if (!passedAll && x.keys[stop].word == word) {
    out << ": equal to key " << stop << "\n";
    return stop;
  }
  if (k == 0) {
    out << ", no key";
  } else if (passedAll) {
    out << ": after key " << k << " (" << tracedWord(x.keys[k].word) << ")";
  } else {
    out << ": before key " << stop << " (" << tracedWord(x.keys[stop].word) << ")";
  }
  if (x.isLeaf) {
    out << "; a leaf, so the word is not in the tree\n";
  } else {
    out << ", so on to child " << (passedAll ? k + 1 : stop) << "\n";
  }
  return 0;
}

// The search of one cleaned word, watched and written in `format`. Returns
// whether the word was found.
template <typename Entry>
bool explainSearch(WordTree<Entry>& tree, const std::map<const WordNode<Entry>*, NodeNumber>& numbers,
                   const std::string& word, TraceFormat format, std::ostream& out) {
  VisitRecorder<Entry> recorder;
  tree.observer = &recorder;
  const bool found = tree.find(word) != nullptr;
  tree.observer = nullptr;

  if (format == TraceFormat::json) {
    out << "{\"event\":\"search\",\"word\":" << jsonString(word) << "}\n";
    for (const auto& visit : recorder.visits) {
      out << "{\"event\":\"visit\",\"keys\":" << jsonArray(keysOf(*visit.first)) << "}\n";
    }
    return found;
  }
  out << "search " << tracedWord(word) << "\n";
  int total = 0;
  for (const auto& visit : recorder.visits) {
    const NodeNumber& n = numbers.at(visit.first);
    total += visit.second;
    const int key = explainVisit(*visit.first, visit.second, n, word, out);
    if (key > 0) {
      out << "  found: key " << key << " of node " << n.number << ", at depth " << n.depth;
    }
  }
  if (!found) out << "  not found";
  out << ", after " << plural(total, "word comparison", "word comparisons") << "\n\n";
  return found;
}

// Calls `search` for each word of each argument of `asked`, cleaned by
// `rules`; an argument that cleans to nothing is named on `errors` and
// counts as not found. Returns whether every search found its word.
template <typename Search>
bool searchEachWord(const WordRules& rules, const std::vector<std::string>& asked,
                    std::ostream& errors, Search search) {
  bool all = true;
  for (const std::string& query : asked) {
    const std::vector<std::string> words = askedWords(rules, query);
    if (words.empty() || words.front().empty()) {
      errors << "versefind: '" << shownWord(query) << "': cleans to nothing, and is not searched\n";
      all = false;
      continue;
    }
    for (const std::string& word : words) all = search(word) && all;
  }
  return all;
}

}  // namespace

template <typename Entry>
bool explainSearches(WordTree<Entry>& tree, const WordRules& rules,
                     const std::vector<std::string>& asked, TraceFormat format, std::ostream& out,
                     std::ostream& errors) {
  const std::map<const WordNode<Entry>*, NodeNumber> numbers = numberNodes(tree);
  return searchEachWord(rules, asked, errors, [&](const std::string& word) {
    return explainSearch(tree, numbers, word, format, out);
  });
}

template bool explainSearches<WordEntry>(WordTree<WordEntry>&, const WordRules&,
                                         const std::vector<std::string>&, TraceFormat,
                                         std::ostream&, std::ostream&);
template bool explainSearches<CompactEntry>(WordTree<CompactEntry>&, const WordRules&,
                                            const std::vector<std::string>&, TraceFormat,
                                            std::ostream&, std::ostream&);

namespace {

std::string shownPageKeys(const IndexPage& page, std::size_t at) {
  return shownKeys(static_cast<int>(page.keys.size()), static_cast<int>(at),
                   [&page](int j) -> const std::string& { return page.keys[static_cast<std::size_t>(j) - 1]; });
}

// The search of one cleaned word in the file. Returns whether it was found.
bool explainIndexSearch(const IndexFile& file, const std::string& word, std::ostream& out,
                        bool& damaged) {
  out << "search " << tracedWord(word) << "\n";
  IndexPage page;
  damaged = !file.readRoot(page);
  int total = 0;
  int pages = 0;
  bool found = false;
  while (!damaged) {
    ++pages;
    const std::size_t k = page.keys.size();
    // A scan from the first key to the first not below the word.
    std::size_t stop = 0;
    while (stop < k && page.keys[stop] < word) ++stop;
    const int comparisons = static_cast<int>(std::min(stop + 1, k));
    total += comparisons;
    out << "  page " << page.number + 1 << " (depth " << file.height() - 1 - page.level << ", "
        << plural(static_cast<int>(k), "key", "keys") << ", " << page.ref.length << " bytes at byte "
        << page.ref.offset << "): " << shownPageKeys(page, std::min(stop + 1, k)) << "\n    "
        << plural(comparisons, "comparison", "comparisons");
    if (stop < k && page.keys[stop] == word) {
      out << ": equal to key " << stop + 1 << "\n  found: key " << stop + 1 << " of page "
          << page.number + 1 << ", at depth " << file.height() - 1 - page.level;
      found = true;
      break;
    }
    if (stop == k) {
      out << ": after key " << k << " (" << tracedWord(page.keys[k - 1]) << ")";
    } else {
      out << ": before key " << stop + 1 << " (" << tracedWord(page.keys[stop]) << ")";
    }
    if (page.isLeaf()) {
      out << "; a leaf, so the word is not in the index\n  not found";
      break;
    }
    out << ", so on to child " << stop + 1 << "\n";
    IndexPage child;
    damaged = !file.readChild(page, stop, child);
    page = std::move(child);
  }
  if (damaged) return false;
  out << ", after " << plural(total, "word comparison", "word comparisons") << " and "
      << plural(pages, "page read", "pages read") << "\n\n";
  return found;
}

}  // namespace

bool explainIndexSearches(const IndexFile& file, const WordRules& rules,
                          const std::vector<std::string>& asked, std::ostream& out,
                          std::ostream& errors, bool& damaged) {
  damaged = false;
  // After a damaged page, no later word is searched.
  const bool all = searchEachWord(rules, asked, errors, [&](const std::string& word) {
    return !damaged && explainIndexSearch(file, word, out, damaged);
  });
  return all && !damaged;
}
