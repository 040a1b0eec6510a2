#include "phrase_search.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

std::vector<WordPlace> findPhrase(const std::vector<const std::vector<WordPlace>*>& lists,
                                  const WordPositions& positions) {
  assert(!lists.empty());
  std::size_t rarest = 0;
  for (std::size_t k = 1; k < lists.size(); ++k) {
    if (lists[k]->size() < lists[rarest]->size()) rarest = k;
  }
  const std::uint64_t words = positions.wordCount();
  std::vector<WordPlace> found;
  for (const WordPlace place : *lists[rarest]) {
    // The phrase starts `rarest` words before this place, and must end
    // within the text.
    const std::uint64_t at = positions.positionOf(place);
    if (at < rarest || at - rarest + lists.size() > words) continue;
    const std::uint64_t start = at - rarest;
    bool whole = true;
    for (std::size_t k = 0; k < lists.size() && whole; ++k) {
      if (k == rarest) continue;
      const WordPlace wanted = positions.placeOf(start + k);
      whole = std::binary_search(lists[k]->begin(), lists[k]->end(), wanted);
    }
    if (whole) found.push_back(rarest == 0 ? place : positions.placeOf(start));
  }
  return found;
}
