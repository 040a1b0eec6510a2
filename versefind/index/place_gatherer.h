// The words of a corpus with their places, gathered in bounded memory for an
// index file, which takes its words in byte order.
//
// Words and places are held in a hash table until they would outgrow the
// memory given; then they are written out, sorted by word, as a run of a
// temporary file beside the index, and the table starts again empty. At the
// end the runs are merged with a heap: each word comes once, in byte order,
// with its places from every run. Places come in text order, and every run
// holds a later stretch of the corpus than the runs before it, so a word's
// places taken run after run stay in text order.
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
#include <unordered_map>
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
  bool spill();
  bool fail(int cause);

  std::uint64_t memoryBytes_;
  std::string folder_;
  std::uint64_t heldBytes_ = 0;  // an estimate of what the table holds
  std::unordered_map<std::string, std::uint32_t> ids_;
  std::vector<const std::string*> words_;  // by id, the table's own keys
  std::vector<std::vector<WordPlace>> places_;

  UnfinishedFile runFile_{"versefind"};
  std::FILE* runs_ = nullptr;
  std::vector<std::uint64_t> runStarts_;  // where each run begins in the file
  std::uint64_t written_ = 0;
  int cause_ = 0;  // the errno of the first failure, or -1 for an unknown one
};

#endif  // VERSEFIND_PLACE_GATHERER_H
