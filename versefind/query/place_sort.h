// Sorting the places of a word or a phrase by their context: by the words
// that follow it in the text (the first following word first, then the
// second, and so on), or by the words before it (the nearest first), then by
// place. Words compare as the index orders them (byte-wise, as strcmp), and
// the context goes on across line ends: the text is one run of words, and
// each file of a corpus is one run of its own. A
// place whose context ends sooner (at the end or the start of the text)
// sorts before one whose context goes on, as a shorter word does before a
// longer one; so a place with no word after it sorts first by the right.
//
// Two places whose first MAX_SORT_WORDS words of context agree sort by
// place: a text that repeats a passage many times would otherwise cost the
// passage's length at every comparison.
#ifndef VERSEFIND_PLACE_SORT_H
#define VERSEFIND_PLACE_SORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "index/word_index.h"
#include "index/word_positions.h"

constexpr int MAX_SORT_WORDS = 32;

enum class PlaceOrder {
  place,  // text order
  right,  // by the words after
  left,   // by the words before, the nearest first
};

// The cleaned words of the text's lines, as the sorts read them: each line
// is cut when one of its words is first asked for, and kept. Each distinct
// word is kept once, so that two words are the same word exactly when they
// are the same string object.
class LineWords {
 public:
  // Puts the cleaned words of line `line` (from 1) into `words`, which is
  // empty, in order.
  using Cut = std::function<void(std::uint32_t line, std::vector<std::string>& words)>;

  explicit LineWords(Cut cut) : cut_(std::move(cut)) {}
  // The word at `place`; the empty word when the line, cut, has no such word.
  const std::string& at(WordPlace place);

 private:
  Cut cut_;
  std::vector<std::vector<const std::string*>> lines_;  // line n at n - 1, once cut
  std::vector<bool> cutLines_;
  // Node-based: a word handed out stays where it is as more words are kept.
  std::unordered_set<std::string> words_;
  std::vector<std::string> scratch_;
};

// Sorts `places`, each the place of the first word of a run of `span` words
// (a word: 1; a phrase: its length), in `order`. REQUIRES: every place and
// the span after it held by `positions`.
void sortPlaces(std::vector<WordPlace>& places, std::uint32_t span, PlaceOrder order,
                const WordPositions& positions, LineWords& words);

#endif  // VERSEFIND_PLACE_SORT_H
