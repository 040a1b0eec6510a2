#include "query/phrase_search.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

namespace {

using Cursor = std::vector<WordPlace>::const_iterator;

// The first place of [from, end) not before `place`, found by galloping from
// `from`: the candidates of a phrase only move forward through the text, so
// a search that starts where the last one ended costs the log of the places
// it passes, not of the whole list.
Cursor gallop(Cursor from, Cursor end, WordPlace place) {
  std::ptrdiff_t step = 1;
  Cursor low = from;
  while (end - low > step && *(low + step) < place) {
    low += step;
    step *= 2;
  }
  return std::lower_bound(low, end - low > step ? low + step + 1 : end, place);
}

}  // namespace

std::vector<WordPlace> findPhrase(const std::vector<const std::vector<WordPlace>*>& lists,
                                  const WordPositions& positions) {
  assert(!lists.empty());
  std::size_t rarest = 0;
  for (std::size_t k = 1; k < lists.size(); ++k) {
    if (lists[k]->size() < lists[rarest]->size()) rarest = k;
  }
  std::vector<Cursor> from;
  from.reserve(lists.size());
  for (const std::vector<WordPlace>* list : lists) from.push_back(list->begin());
  const std::uint64_t words = positions.wordCount();
  std::vector<WordPlace> found;
  for (const WordPlace place : *lists[rarest]) {
    // The phrase starts `rarest` words before this place, and must end
    // within the text.
    const std::uint64_t at = positions.positionOf(place);
    if (at < rarest || at - rarest + lists.size() > words) continue;
    const WordPlace start = positions.placeOf(at - rarest);
    WordPlace word = start;
    bool whole = true;
    for (std::size_t k = 0; k < lists.size() && whole; ++k) {
      // A phrase never runs on from one file into the next.
      if (k > 0 && !positions.next(word)) {
        whole = false;
        break;
      }
      if (k == rarest) continue;
      from[k] = gallop(from[k], lists[k]->end(), word);
      whole = from[k] != lists[k]->end() && *from[k] == word;
    }
    if (whole) found.push_back(start);
  }
  return found;
}
