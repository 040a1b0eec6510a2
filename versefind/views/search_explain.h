// Searches of the index explained, a tree of either entry: for each word, the nodes the
// search reads from the root down, the word comparisons it makes in each,
// and where it ends. Nodes are numbered as --dot numbers them: level by
// level from the root (node 1), each level from the left; depth 0 is the
// root's.
#ifndef VERSEFIND_SEARCH_EXPLAIN_H
#define VERSEFIND_SEARCH_EXPLAIN_H

#include <ostream>
#include <string>
#include <vector>

#include "views/index_trace.h"
#include "index/word_index.h"

// A node with more keys than this is shown cut: the keys around the one
// where the comparisons stopped, and how many stand on either side.
constexpr int MOST_KEYS_SHOWN = 9;

// Searches `tree` for each word of `asked`, cleaned by `rules`, the rules
// the tree was built by (askedWords: an argument of several words under the
// text rules has each of them searched in turn), watching the search: in
// words (TraceFormat::text), or as JSON lines (json), one
// {"event":"search","word":W} for each word, then {"event":"visit","keys":[...]}
// for each node read. An argument that cleans to nothing is named on
// `errors` and not searched. Returns whether every word was found. The tree
// is left as it was, without an observer.
template <typename Entry>
bool explainSearches(WordTree<Entry>& tree, const WordRules& rules,
                     const std::vector<std::string>& asked, TraceFormat format, std::ostream& out,
                     std::ostream& errors);

// The same for an index file: each word's search, page by page from the
// root, each page named by its rank in the file, where it lies and its
// length, with the keys and comparisons as above and the pages read in
// all. Returns whether every word was found; a damaged page read ends the
// search with `damaged` set (the file's reason() tells it).
bool explainIndexSearches(const class IndexFile& file, const WordRules& rules,
                          const std::vector<std::string>& asked, std::ostream& out,
                          std::ostream& errors, bool& damaged);

#endif  // VERSEFIND_SEARCH_EXPLAIN_H
