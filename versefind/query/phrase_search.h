// Finding a phrase from the place lists of its words: the places where the
// words stand one after another in the text, across line ends too, but
// never from one file of a corpus into the next. The text
// itself is never read. The rarest word's places are walked, and each
// candidate is checked against the other words' lists by binary search, so
// the cost follows the shortest list: O(s * k * log n) for k words, the
// shortest list s places long and the longest n.
#ifndef VERSEFIND_PHRASE_SEARCH_H
#define VERSEFIND_PHRASE_SEARCH_H

#include <vector>

#include "index/word_index.h"
#include "index/word_positions.h"

// The most words a phrase may have. The checks of one candidate grow with
// the phrase's length, and in a text that repeats one word a phrase of that
// word has a candidate at nearly every word.
constexpr int MAX_PHRASE_WORDS = 100;

// The places of the phrase whose k-th word has the places `lists[k]`, each
// the place of its first word, in text order. A phrase of one word has the
// places of that word. REQUIRES: every list in text order, every place held
// by `positions`, and at least one list.
std::vector<WordPlace> findPhrase(const std::vector<const std::vector<WordPlace>*>& lists,
                                  const WordPositions& positions);

#endif  // VERSEFIND_PHRASE_SEARCH_H
