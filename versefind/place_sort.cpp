#include "place_sort.h"

#include <algorithm>
#include <cstddef>
#include <utility>

const std::string& LineWords::at(WordPlace place) {
  static const std::string none;
  auto kept = lines_.find(place.line);
  if (kept == lines_.end()) {
    kept = lines_.emplace(place.line, std::vector<std::string>()).first;
    cut_(place.line, kept->second);
  }
  const std::vector<std::string>& line = kept->second;
  return place.wordNumber >= 1 && place.wordNumber <= line.size() ? line[place.wordNumber - 1]
                                                                  : none;
}

namespace {

// A place to sort, with its position, and the first word of its context
// (null where the context is empty), which settles most comparisons
// without a look-up.
struct Sorted {
  WordPlace place;
  std::uint64_t position;
  const std::string* first;
};

}  // namespace

void sortPlaces(std::vector<WordPlace>& places, std::uint32_t span, PlaceOrder order,
                const WordPositions& positions, LineWords& words) {
  if (order == PlaceOrder::place) {
    std::sort(places.begin(), places.end());
    return;
  }
  const std::uint64_t total = positions.wordCount();
  const bool right = order == PlaceOrder::right;
  // The position of the d-th word of the context of a run at `position`
  // (d from 0), or `total` when the context has fewer words.
  const auto contextAt = [&](std::uint64_t position, std::uint64_t d) {
    if (right) return position + span + d < total ? position + span + d : total;
    return d < position ? position - 1 - d : total;
  };
  const auto wordAt = [&](std::uint64_t position) -> const std::string* {
    return position == total ? nullptr : &words.at(positions.placeOf(position));
  };

  std::vector<Sorted> sorted;
  sorted.reserve(places.size());
  for (const WordPlace place : places) {
    const std::uint64_t position = positions.positionOf(place);
    sorted.push_back({place, position, wordAt(contextAt(position, 0))});
  }
  // Whether context a comes before context b, -1; after, 1; or they agree
  // on their first MAX_SORT_WORDS words, 0.
  const auto compareContext = [&](const Sorted& a, const Sorted& b) {
    for (std::uint64_t d = 0; d < MAX_SORT_WORDS; ++d) {
      const std::string* const x = d == 0 ? a.first : wordAt(contextAt(a.position, d));
      const std::string* const y = d == 0 ? b.first : wordAt(contextAt(b.position, d));
      if (x == nullptr || y == nullptr) {
        return x == y ? 0 : x == nullptr ? -1 : 1;
      }
      const int c = x == y ? 0 : x->compare(*y);
      if (c != 0) return c < 0 ? -1 : 1;
    }
    return 0;
  };
  std::sort(sorted.begin(), sorted.end(), [&](const Sorted& a, const Sorted& b) {
    const int c = compareContext(a, b);
    return c != 0 ? c < 0 : a.position < b.position;
  });
  for (std::size_t k = 0; k < places.size(); ++k) places[k] = sorted[k].place;
}
