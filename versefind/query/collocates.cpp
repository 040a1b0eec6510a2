#include "query/collocates.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "query/concordance.h"

bool findCollocates(const CorpusText& corpus, const CollocateQuery& query,
                    std::vector<Collocate>& found, std::ostream& errors) {
  const std::unique_ptr<WordCursor> cursor = corpus.index.newCursor();
  if (!seekAskedWord(corpus, query.word, *cursor, errors)) return false;
  const std::vector<WordPlace>& places = cursor->places();
  NearWords near(corpus);
  // Counted by the word's id: left and right, in the windows.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> windows;
  for (const WordPlace place : places) {
    near.gather(place, query.left, query.right);
    windows.resize(near.keptCount());
    const std::vector<PlacedWord>& words = near.words();
    for (std::size_t k = 0; k < words.size(); ++k) {
      if (k < near.self()) ++windows[words[k].id].first;
      if (k > near.self()) ++windows[words[k].id].second;
    }
  }
  found.clear();
  for (std::uint32_t id = 0; id < windows.size(); ++id) {
    const auto& count = windows[id];
    if (count.first + count.second < query.least) continue;
    Collocate c;
    c.word = near.keptWord(id);
    c.left = count.first;
    c.right = count.second;
    c.observed = c.left + c.right;
    found.push_back(std::move(c));
  }
  // Each collocate's places, sought in word order.
  std::sort(found.begin(), found.end(),
            [](const Collocate& a, const Collocate& b) { return a.word < b.word; });
  std::vector<std::string> words;
  words.reserve(found.size());
  for (const Collocate& c : found) words.push_back(c.word);
  std::vector<std::uint64_t> counts;
  corpus.index.countPlaces(words, counts);
  for (std::size_t k = 0; k < found.size(); ++k) {
    Collocate& c = found[k];
    // A count of 0 comes only from a damaged index file, which the caller
    // is told of; the score then stays finite all the same.
    c.places = counts[k] > 0 ? counts[k] : c.observed;
    c.score = collocationScore(query.measure, c.observed, places.size(), c.places,
                               query.left + query.right, corpus.words);
  }
  std::stable_sort(found.begin(), found.end(), [](const Collocate& a, const Collocate& b) {
    const long long sa = scoreThousandths(a.score);
    const long long sb = scoreThousandths(b.score);
    return sa != sb ? sa > sb : a.observed > b.observed;
  });
  return true;
}

void writeCollocates(const std::vector<Collocate>& found, std::ostream& out) {
  std::string lines;
  for (const Collocate& c : found) {
    lines += shownWord(c.word) + "\t" + std::to_string(c.observed) + "\t" + std::to_string(c.left) +
             "\t" + std::to_string(c.right) + "\t" + std::to_string(c.places) + "\t" +
             scoreText(c.score) + "\n";
  }
  out << lines;
}
