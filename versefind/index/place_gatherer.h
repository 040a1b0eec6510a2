// The words of a corpus with their places, gathered in bounded memory for an
// index file, which takes its words in byte order.
//
// Words and places are held in a table until they would outgrow the memory
// given; then they are written out, sorted by word, as a run of a temporary
// file beside the index, and the table starts again empty. At the end the
// runs are merged with a heap: each word comes once, in byte order, with its
// places from every run. Places come in text order, and every run holds a
// later stretch of the corpus than the runs before it, so a word's places
// taken run after run stay in text order.
//
// The table keeps each word once, found by an open-addressed hash of slots
// that point into one buffer of their bytes, and the corpus as it comes: the
// number of each place's word, in text order, four bytes a place, with the
// line of each stretch of consecutive words. Adding a place writes at the
// end of an array instead of into a list of its own word, so that a corpus
// of many rare words is not read back a cache miss at a time; the places are
// sorted by word only when a run or the index is written, by counting.
//
// The run file, private to one build, holds records one after another:
// varint the word's length, its bytes, varint its number of places, then
// each place as two varints, its line's distance from the place before (from
// line 0) and its word number.
#ifndef VERSEFIND_PLACE_GATHERER_H
#define VERSEFIND_PLACE_GATHERER_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "index/word_index.h"
#include "unfinished_file.h"

class PlaceGatherer {
 public:
  // Holds at most about `memoryBytes` of words and places at once; runs go
  // to a temporary file in `folder`.
  PlaceGatherer(std::uint64_t memoryBytes, std::string folder);
  PlaceGatherer(const PlaceGatherer&) = delete;
  PlaceGatherer& operator=(const PlaceGatherer&) = delete;
  ~PlaceGatherer();

  // Adds the next place of `word`. REQUIRES: places come in text order.
  // Returns false when a run could not be written (see finish).
  bool add(const std::string& word, WordPlace place);

  // Calls `each(word, places)` for every word gathered, in byte order, with
  // all its places in text order, then removes the runs. Returns false,
  // with `failure` telling why, when a run could not be written or read.
  using Each = std::function<void(const std::string& word, const std::vector<WordPlace>& places)>;
  bool finish(const Each& each, IndexFailure& failure);

  // The runs written so far.
  std::size_t runCount() const { return runStarts_.size(); }

 private:
  struct Run;
  // A slot of the hash: the low bits of the word's hash, its number, and
  // where its length and bytes lie in bytes_ (empty while id is 0: ids
  // count from 1 here).
  struct Slot {
    std::uint32_t hash;
    std::uint32_t id;
    std::uint64_t at;
  };
  // A stretch of places on one line whose word numbers follow one another:
  // the first of them in ids_, its line and its word number.
  struct Stretch {
    std::uint64_t first;
    std::uint32_t line;
    std::uint32_t wordNumber;
  };
  // The number of the word, kept from now on if it is new.
  std::uint32_t idOf(const std::string& word);
  std::size_t firstSlots() const;
  void growSlots();
  // The bytes the table takes now, and the more that sorting it would take;
  // and the most that adding a place of a new word of `wordBytes` bytes
  // could take beside them for a moment.
  std::uint64_t heldBytes() const;
  std::uint64_t growthFor(std::size_t wordBytes) const;
  // Calls `each(word, places, count)` for every word held, in byte order,
  // with its places in text order.
  template <class EachHeld>
  void sortHeld(EachHeld each);
  bool spill();
  // Appends `record` to the run file and empties it; false on failure.
  bool writeRecord(std::string& record);
  bool fail(int cause);

  std::uint64_t memoryBytes_;
  std::string folder_;
  std::vector<Slot> slots_;
  std::string bytes_;  // each word's length (u32, native order) and bytes
  std::uint32_t words_ = 0;
  std::vector<std::uint32_t> ids_;  // the word of each place, in text order
  std::vector<Stretch> stretches_;

  UnfinishedFile runFile_{"versefind"};
  std::FILE* runs_ = nullptr;
  std::vector<std::uint64_t> runStarts_;  // where each run begins in the file
  std::uint64_t written_ = 0;
  int cause_ = 0;  // the errno of the first failure, or -1 for an unknown one
};

#endif  // VERSEFIND_PLACE_GATHERER_H
