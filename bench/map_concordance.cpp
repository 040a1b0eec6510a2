// The baseline of versefind's query mode: the same concordance kept in a
// std::map, for timing whole processes side by side.
//
//   map_concordance TEXT            answers the words (or PREFIX*) read from
//                                   standard input, one a line
//   map_concordance TEXT --words    prints the vocabulary, one word a line
//
// It reads the text with versefind's word rules, keeps each word's first
// MAX_PLACES places as the same place strings (makePlace), so that only the
// container differs from versefind's, keeps every line of the text, and
// answers as
// `versefind --text TEXT --width 0 ORDER -` does, through versefind's own
// writer of a block (writeBlock): a header per word, then each place in its
// line with the word at one column, flushed after each query. It writes
// nothing to disk.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "concordance.h"
#include "sonnet_text.h"
#include "word_index.h"

namespace {

struct Text {
  std::vector<std::string> lines;
  std::map<std::string, std::vector<std::string>> words;
};

bool readText(const char* fileName, Text& text) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in.is_open()) return false;
  std::string line;
  std::string word;
  while (in.good()) {
    readTextLine(in, line);
    if (in.bad()) return false;
    text.lines.push_back(line);
    const int lineNumber = static_cast<int>(text.lines.size());
    LineFields fields(line);
    for (int wordNumber = 1; fields.next(word); ++wordNumber) {
      std::vector<std::string>& places = text.words[word];
      if (places.size() < MAX_PLACES) places.push_back(makePlace(lineNumber, wordNumber));
    }
  }
  return true;
}

// Answers one query line; returns whether a word was found.
bool answer(const Text& text, const std::string& query) {
  const std::size_t first = query.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const std::size_t last = query.find_last_not_of(' ');
  const bool isPrefix = query[last] == '*';
  const std::string cut = query.substr(first, last + 1 - first - (isPrefix ? 1 : 0));
  const std::string asked = wordOfField(cut);
  if (asked.empty()) return false;
  // The blocks are laid out by versefind's own writer, as versefind --width 0 does.
  const Layout noCut{0, false};
  const auto write = [&text, &noCut](const std::string& word, const std::vector<std::string>& places) {
    writeBlock(text.lines, noCut, word, places.data(), static_cast<int>(places.size()), std::cout);
  };
  bool found = false;
  if (isPrefix) {
    for (auto it = text.words.lower_bound(asked);
         it != text.words.end() && it->first.compare(0, asked.size(), asked) == 0; ++it) {
      write(it->first, it->second);
      found = true;
    }
  } else {
    const auto it = text.words.find(asked);
    found = it != text.words.end();
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
  Text text;
  if (!readText(argv[1], text)) {
    std::fprintf(stderr, "map_concordance: %s: cannot be read\n", argv[1]);
    return 1;
  }
  if (argc == 3) {
    for (const auto& entry : text.words) {
      if (!entry.first.empty()) std::cout << entry.first << '\n';
    }
    return std::cout.flush() ? 0 : 1;
  }
  bool allFound = true;
  std::string query;
  while (std::getline(std::cin, query)) {
    if (!query.empty() && query.back() == '\r') query.pop_back();
    allFound &= answer(text, query);
  }
  return allFound ? 0 : 1;
}
