// The baseline of versefind's query mode: the same concordance kept in a
// std::map, for timing whole processes side by side.
//
//   map_concordance TEXT            answers the words (or PREFIX*) read from
//                                   standard input, one a line
//   map_concordance TEXT --words    prints the vocabulary, one word a line
//
// It reads the text as versefind's query modes do (the same reading loop,
// indexTextFile's, and the same word rules, queryRules()), keeps every
// place of every word as numbers (line, word number) in a
// std::map<std::string, std::vector<WordPlace>>, so that only the container
// differs from versefind's compact tree, keeps the lines the same way
// (TextLines), and answers as `versefind --text TEXT --width 0 ORDER -`
// does, through versefind's own writer of a block (writeBlock): a header per
// word, then each place in its line with the word at one column, flushed
// after each query. It writes nothing to disk.
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "query/concordance.h"
#include "index/text_index.h"
#include "index/word_index.h"
#include "text/text_rules.h"

namespace {

using MapIndex = std::map<std::string, std::vector<WordPlace>>;

// Fills `index` as WordTree::insert fills a compact tree: the place joins
// the word's list, which is made on the word's first occurrence.
class MapTree {
 public:
  using Place = WordPlace;
  explicit MapTree(MapIndex& index) : index_(index) {}
  void insert(const std::string& word, WordPlace place) { index_[word].push_back(place); }

 private:
  MapIndex& index_;
};

bool readText(const char* fileName, MapIndex& index, TextLines& lines) {
  MapTree tree(index);
  IndexFailure failure;
  return indexTextFile(fileName, queryRules(), tree, lines, failure) > 0;
}

// Answers one query line; returns whether a word was found.
bool answer(const MapIndex& index, const TextLines& lines, const std::string& query) {
  const std::size_t first = query.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const std::size_t last = query.find_last_not_of(' ');
  const bool isPrefix = query[last] == '*';
  const std::string cut = query.substr(first, last + 1 - first - (isPrefix ? 1 : 0));
  // The query's words as the text rules clean them, joined by single blanks.
  std::string asked;
  for (const std::string& word : queryWords(cut)) asked += (asked.empty() ? "" : " ") + word;
  if (asked.empty()) return false;
  // The blocks are laid out by versefind's own writer, as versefind --width 0 does.
  const Layout noCut{0, false, 0};
  const auto write = [&](const std::string& word, const std::vector<WordPlace>& places) {
    writeBlock(lines, queryRules(), noCut, word, places, false, std::cout);
  };
  bool found = false;
  if (isPrefix) {
    for (auto it = index.lower_bound(asked);
         it != index.end() && it->first.compare(0, asked.size(), asked) == 0; ++it) {
      write(it->first, it->second);
      found = true;
    }
  } else {
    const auto it = index.find(asked);
    found = it != index.end();
    if (found) write(it->first, it->second);
  }
  if (!found) {
    std::fprintf(stderr, "map_concordance: %s: not in the text\n", cut.c_str());
    return false;
  }
  std::cout << std::flush;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--words")) {
    std::fprintf(stderr, "usage: map_concordance TEXT [--words]\n");
    return 2;
  }
  std::ios::sync_with_stdio(false);
  MapIndex index;
  TextLines lines;
  if (!readText(argv[1], index, lines)) {
    std::fprintf(stderr, "map_concordance: %s: cannot be read\n", argv[1]);
    return 1;
  }
  if (argc == 3) {
    for (const auto& entry : index) {
      if (!entry.first.empty()) std::cout << entry.first << '\n';
    }
    return std::cout.flush() ? 0 : 1;
  }
  bool allFound = true;
  std::string query;
  while (std::getline(std::cin, query)) {
    if (!query.empty() && query.back() == '\r') query.pop_back();
    allFound &= answer(index, lines, query);
  }
  return allFound ? 0 : 1;
}
