// Runs of K words counted: the clusters of a word (every run of K words in
// one file that holds it at least once), and the n-grams of a whole corpus
// (every run of K words in one file). A run is written as its words joined
// by one blank; lines come ordered by count from the highest, then by the
// run's bytes, and only those counted at least the least asked.
//
// The n-grams of a large corpus are counted in a bounded memory: when the
// counts outgrow it, they are written, sorted by their bytes, as a run to a
// file of runs beside the working folder's files (an unfinished file of
// the program, removed whatever ends the run), and counting starts afresh.
// At the end a heap of run cursors merges the runs, as many at once as the
// memory gives a block to (passes merge groups of them first, into a second
// file, when there are more), summing the counts of equal n-grams; the lines
// that reach the least are then sorted in memory by count.
#ifndef VERSEFIND_NGRAMS_H
#define VERSEFIND_NGRAMS_H

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "query/corpus_text.h"

constexpr std::uint32_t MOST_RUN_WORDS = 8;

struct CountedRun {
  std::string words;
  std::uint64_t count = 0;
};

// Orders `lines` by count from the highest, then by the words' bytes.
void sortByCount(std::vector<CountedRun>& lines);

// One line each: WORDS<TAB>COUNT.
void writeCountedRuns(const std::vector<CountedRun>& lines, std::ostream& out);

// The clusters of `span` words that hold the word `asked` asks for, counted
// at least `least` times. Returns false, after one line on `errors`, when
// `asked` is not one word of the corpus.
bool findClusters(const CorpusText& corpus, const std::string& asked, std::uint32_t span,
                  std::uint64_t least, std::vector<CountedRun>& found, std::ostream& errors);

// Counts of n-grams: their bytes one after another in one block, and an
// open-addressing table of slots (linear probing, at most 7 in 10 slots
// used), so that an n-gram costs its bytes and one slot of 32 bytes, and no
// allocation of its own.
class NgramTable {
 public:
  NgramTable();
  // Adds one to the count of `words`, with its hash `hash`, when the table
  // holds it; returns whether it did.
  bool countAgain(std::string_view words, std::uint64_t hash);
  // Adds `words`, not held yet, with a count of 1.
  void insert(std::string_view words, std::uint64_t hash);
  // The memory the table would hold with `length` bytes more of a new
  // n-gram: the block, the slots (twice as many when they are full) and the
  // order of the n-grams that a spill sorts.
  std::uint64_t bytesWith(std::size_t length) const;
  std::size_t size() const { return size_; }
  // Calls each(words, count) for every n-gram held, in no order.
  template <class Each>
  void forEach(Each each) const {
    for (const Slot& slot : slots_) {
      if (slot.count != 0) each(wordsOf(slot), slot.count);
    }
  }
  // Every n-gram held, with its count, in byte order.
  void sorted(std::vector<std::pair<std::string_view, std::uint64_t>>& entries) const;
  // Empties the table; its memory stays for the next counts.
  void clear();

 private:
  struct Slot {
    std::uint64_t hash;
    std::uint64_t offset;  // in bytes_
    std::uint64_t count;   // 0: the slot is free
    std::uint32_t length;
  };
  std::string_view wordsOf(const Slot& slot) const { return std::string_view(bytes_).substr(slot.offset, slot.length); }
  void grow();

  std::string bytes_;
  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

// Counts the n-grams of a corpus given word by word, file by file.
class NgramCounter {
 public:
  // `memoryBytes` bounds the counts held; runs go to a file in `runFolder`.
  // REQUIRES: 1 <= span <= MOST_RUN_WORDS.
  NgramCounter(std::uint32_t span, std::uint64_t memoryBytes, std::string runFolder);
  NgramCounter(const NgramCounter&) = delete;
  NgramCounter& operator=(const NgramCounter&) = delete;
  ~NgramCounter();

  // Takes the next word of the file being read.
  void add(const std::string& word);
  // Ends the file: no n-gram goes on from it into the next.
  void endFile() { filled_ = 0; }
  // The n-grams counted at least `least` times, ordered by sortByCount.
  // Returns false, with trouble() telling why, when a run could not be
  // written or read back.
  bool finish(std::uint64_t least, std::vector<CountedRun>& found);
  // What went wrong, as "FILE: reason", for a message.
  const std::string& trouble() const { return trouble_; }
  // The runs written to a file so far.
  std::size_t runCount() const { return runCount_; }

 private:
  class Runs;
  void spill();

  std::uint32_t span_;
  std::uint64_t memoryBytes_;
  std::string runFolder_;
  std::vector<std::string> window_;  // the last span_ words, a ring
  std::size_t next_ = 0;             // where the next word goes in the ring
  std::size_t filled_ = 0;           // words of the file in the ring
  std::string key_;
  NgramTable counts_;
  std::unique_ptr<Runs> runs_;
  std::size_t runCount_ = 0;
  std::string trouble_;
};

#endif  // VERSEFIND_NGRAMS_H
