// Keywords: the words of a corpus that it uses more than a reference
// corpus does, by the log-likelihood of their two counts (statistics.h).
// A word of the corpus, a times in its c words and b times in the
// reference's d words, is listed when a/c > b/d and its LL reaches the
// least score asked. The two indexes are read side by side, each cursor in
// word order, so that one walk meets every word's two counts.
#ifndef VERSEFIND_KEYWORDS_H
#define VERSEFIND_KEYWORDS_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "index/word_cursor.h"

struct Keyword {
  std::string word;
  std::uint64_t corpus = 0;     // a
  std::uint64_t reference = 0;  // b
  double score = 0;             // LL
};

// The words of corpus.index (of corpusWords words) used more than in the
// reference (of referenceWords words) with an LL of at least `leastScore`,
// ordered by LL as printed, from the highest, then by the word's bytes.
void findKeywords(const WordReader& corpus, std::uint64_t corpusWords, const WordReader& reference,
                  std::uint64_t referenceWords, double leastScore, std::vector<Keyword>& found);

// Whether a/c > b/d, exactly, with c and d not 0: a·d > b·c.
bool usedMore(std::uint64_t a, std::uint64_t c, std::uint64_t b, std::uint64_t d);

// One line each: WORD<TAB>a<TAB>b<TAB>LL.
void writeKeywords(const std::vector<Keyword>& found, std::ostream& out);

#endif  // VERSEFIND_KEYWORDS_H
