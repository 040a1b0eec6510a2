// Collocates: the words that stand near a word. Around each place of the
// word, at position p, the left window holds positions p-L to p-1 and the
// right window p+1 to p+R, each cut at the file's bounds; every word in a
// window counts once for that place, so windows that overlap count their
// words again, and the word can be its own collocate. A collocate is listed
// when its count O (LEFT + RIGHT) reaches the least asked, scored by the
// measure asked (statistics.h).
#ifndef VERSEFIND_COLLOCATES_H
#define VERSEFIND_COLLOCATES_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "query/corpus_text.h"
#include "query/statistics.h"

struct CollocateQuery {
  std::string word;  // as asked; cleaned by the corpus's rules
  std::uint32_t left = 5;
  std::uint32_t right = 5;
  std::uint64_t least = 2;
  Measure measure = Measure::mi;
};

struct Collocate {
  std::string word;
  std::uint64_t observed = 0;  // left + right
  std::uint64_t left = 0;
  std::uint64_t right = 0;
  std::uint64_t places = 0;  // f(c)
  double score = 0;
};

// The collocates of query.word in `corpus`, ordered by score as printed,
// from the highest, then by O from the highest, then by the word's bytes.
// Returns false, after one line on `errors`, when the word asked is not one
// word of the corpus.
bool findCollocates(const CorpusText& corpus, const CollocateQuery& query,
                    std::vector<Collocate>& found, std::ostream& errors);

// One line each: COLLOCATE<TAB>O<TAB>LEFT<TAB>RIGHT<TAB>f(c)<TAB>SCORE.
void writeCollocates(const std::vector<Collocate>& found, std::ostream& out);

#endif  // VERSEFIND_COLLOCATES_H
