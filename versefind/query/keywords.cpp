#include "query/keywords.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "query/concordance.h"
#include "query/statistics.h"

namespace {

// x·y as two 64-bit halves, high first.
std::pair<std::uint64_t, std::uint64_t> product(std::uint64_t x, std::uint64_t y) {
  const std::uint64_t low = 0xFFFFFFFFULL;
  const std::uint64_t ll = (x & low) * (y & low);
  const std::uint64_t lh = (x & low) * (y >> 32);
  const std::uint64_t hl = (x >> 32) * (y & low);
  const std::uint64_t hh = (x >> 32) * (y >> 32);
  const std::uint64_t middle = (ll >> 32) + (lh & low) + (hl & low);
  return {hh + (lh >> 32) + (hl >> 32) + (middle >> 32), (middle << 32) | (ll & low)};
}

}  // namespace

bool usedMore(std::uint64_t a, std::uint64_t c, std::uint64_t b, std::uint64_t d) {
  return product(a, d) > product(b, c);
}

void findKeywords(const WordReader& corpus, std::uint64_t corpusWords, const WordReader& reference,
                  std::uint64_t referenceWords, double leastScore, std::vector<Keyword>& found) {
  found.clear();
  const std::unique_ptr<WordCursor> words = corpus.newCursor();
  const std::unique_ptr<WordCursor> others = reference.newCursor();
  others->seek("");
  for (words->seek(""); words->valid(); words->next()) {
    const std::string& word = words->key();
    if (word.empty()) continue;
    while (others->valid() && others->key() < word) others->next();
    const std::uint64_t a = words->places().size();
    const std::uint64_t b = others->valid() && others->key() == word ? others->places().size() : 0;
    if (!usedMore(a, corpusWords, b, referenceWords)) continue;
    const double score = logLikelihood(static_cast<double>(a), static_cast<double>(b),
                                       static_cast<double>(corpusWords), static_cast<double>(referenceWords));
    if (score >= leastScore) found.push_back(Keyword{word, a, b, score});
  }
  // Stable: lines of one score stay in word order, as the cursor gave them.
  std::stable_sort(found.begin(), found.end(), [](const Keyword& x, const Keyword& y) {
    return scoreThousandths(x.score) > scoreThousandths(y.score);
  });
}

void writeKeywords(const std::vector<Keyword>& found, std::ostream& out) {
  std::string lines;
  for (const Keyword& k : found) {
    lines += shownWord(k.word) + "\t" + std::to_string(k.corpus) + "\t" + std::to_string(k.reference) +
             "\t" + scoreText(k.score) + "\n";
  }
  out << lines;
}
