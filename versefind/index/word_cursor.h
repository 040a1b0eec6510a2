// The one way the answers read an index: a cursor over its words in word
// order, each word with its places. The index in memory and the index in a
// file each give one, so that every answer reads both alike.
//
// Word order is byte-wise, as strcmp. A cursor never shows a word without a
// place, and shows each word once.
#ifndef VERSEFIND_WORD_CURSOR_H
#define VERSEFIND_WORD_CURSOR_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/word_index.h"

class WordCursor {
 public:
  WordCursor() = default;
  WordCursor(const WordCursor&) = delete;
  WordCursor& operator=(const WordCursor&) = delete;
  virtual ~WordCursor() = default;

  // Moves to the first word not before `word` in word order: `word` itself
  // when the index holds it. "" moves to the first word.
  virtual void seek(const std::string& word) = 0;
  // Whether the cursor stands on a word: false past the last one, and after
  // a read that failed (see failed()).
  virtual bool valid() const = 0;
  // Moves to the next word. REQUIRES: valid().
  virtual void next() = 0;
  // The word the cursor stands on. REQUIRES: valid().
  virtual const std::string& key() const = 0;
  // Its places, in text order. REQUIRES: valid().
  virtual const std::vector<WordPlace>& places() const = 0;
  // Whether the index kept only the first of the word's places (the
  // classic entries keep MAX_PLACES at most). REQUIRES: valid().
  virtual bool placesCut() const { return false; }
  // Whether a read of the index failed (a damaged file): the cursor then
  // stands on no word. An index in memory never fails.
  virtual bool failed() const { return false; }
};

// An index as its readers see it: as many cursors as they need, each moving
// on its own, so that the places of several words can be held at once.
class WordReader {
 public:
  virtual ~WordReader() = default;
  // A new cursor, standing on no word until it seeks one.
  virtual std::unique_ptr<WordCursor> newCursor() const = 0;
  // The number of places of each of `words`, given in ascending word
  // order, into `counts`: 0 for a word the index does not hold. An index
  // may count them without reading the places.
  virtual void countPlaces(const std::vector<std::string>& words,
                           std::vector<std::uint64_t>& counts) const {
    const std::unique_ptr<WordCursor> cursor = newCursor();
    counts.clear();
    for (const std::string& word : words) {
      cursor->seek(word);
      counts.push_back(cursor->valid() && cursor->key() == word ? cursor->places().size() : 0);
    }
  }
};

#endif  // VERSEFIND_WORD_CURSOR_H
