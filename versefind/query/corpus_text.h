// What the corpus tools (collocates, clusters, n-grams, keywords) read: the
// index, through its cursors, the lines of the texts it was built from, the
// rules that cut them and the number of words in all, alike for the index
// in memory and for an index file. The words near a place are found by
// cutting the lines around it, one after another across line ends, and
// never past its file's first or last line.
#ifndef VERSEFIND_CORPUS_TEXT_H
#define VERSEFIND_CORPUS_TEXT_H

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "index/text_index.h"
#include "index/word_cursor.h"
#include "index/word_index.h"

struct CorpusText {
  const WordReader& index;
  const TextLines& lines;
  const WordRules& rules;
  std::uint64_t words;  // N: every occurrence of every word
};

// A word of the text where it stands.
struct PlacedWord {
  WordPlace place;
  const std::string* word;
};

// The words near a place. A line is cut when one of its words is first
// asked for, and once: each word is then a string kept once for all its
// places, so that two words are the same word exactly when they are the
// same object. Only the lines cut take room, however many the corpus has.
class NearWords {
 public:
  explicit NearWords(const CorpusText& corpus);

  // Gathers the word at `place` with at most `before` words before it and
  // `after` words after it, all in its file, in text order.
  // REQUIRES: place.line is a line of the corpus.
  void gather(WordPlace place, std::uint32_t before, std::uint32_t after);
  // The words gathered, and which of them is the one at the place itself.
  const std::vector<PlacedWord>& words() const { return words_; }
  std::size_t self() const { return self_; }

 private:
  // The words of line `number` (from 1), cut once.
  const std::vector<const std::string*>& cut(std::uint32_t number);

  const CorpusText& corpus_;
  std::unordered_map<std::uint32_t, std::vector<const std::string*>> lines_;
  // Node-based: a word handed out stays where it is as more words are kept.
  std::unordered_set<std::string> kept_;
  std::vector<PlacedWord> words_;
  std::size_t self_ = 0;
};

// Puts `cursor` on the word that `asked` asks for, cleaned by the corpus's
// rules. Returns false, with one line on `errors`, when it cleans to no
// word, to several or to one the corpus does not have; false alone when the
// cursor failed (cursor.failed(): a damaged index file).
bool seekAskedWord(const CorpusText& corpus, const std::string& asked, WordCursor& cursor,
                   std::ostream& errors);

#endif  // VERSEFIND_CORPUS_TEXT_H
