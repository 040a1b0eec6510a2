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
#include <deque>
#include <ostream>
#include <string>
#include <unordered_map>
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
  std::uint32_t id;  // the word's number among those kept (NearWords), from 0
};

// The words near a place. A line is cut when one of its words is first
// asked for, and once; a word that a window takes is then a string kept once
// for all its places, so that two words are the same word exactly when they
// are the same object. Only the lines cut take room, however many the corpus
// has, and only the words taken are kept as strings.
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
  // The words kept so far, by their ids.
  std::size_t keptCount() const { return keptWords_.size(); }
  const std::string& keptWord(std::uint32_t id) const { return keptWords_[id]; }

 private:
  // Where the words of a line cut stand in cutWords_: the first, and how many.
  struct LineCut {
    std::size_t first = 0;
    std::uint32_t count = 0;
  };
  // A word of a line cut: its bytes in folded_, and its id once a place
  // asked for it (NOT_KEPT until then).
  static constexpr std::uint32_t NOT_KEPT = ~std::uint32_t{0};
  struct CutWord {
    std::size_t begin;
    std::uint32_t size;
    std::uint32_t id;
  };
  // The words of line `number` (from 1), cut once.
  LineCut cut(std::uint32_t number);
  // Word `number` (from 1) of a line cut, at `place`.
  PlacedWord wordOf(const LineCut& line, std::uint32_t number, WordPlace place);
  // The id of `word`, kept from now on.
  std::uint32_t keep(const std::string& word);

  const CorpusText& corpus_;
  std::unordered_map<std::uint32_t, LineCut> lines_;
  std::vector<CutWord> cutWords_;
  std::string folded_;
  // The words kept, by id: a deque, so that a word handed out stays where
  // it is as more are kept; found through open-addressed slots that hold
  // id + 1 (0 for none), half of them empty at least.
  std::deque<std::string> keptWords_;
  std::vector<std::uint32_t> keptSlots_;
  std::string line_;   // the line being cut
  std::string asked_;  // the word being kept
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
