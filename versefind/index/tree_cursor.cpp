#include "index/tree_cursor.h"

#include <cstdint>

namespace {

// Reads the place string "(WORDNO,LINE)".
bool parsePlace(const std::string& place, WordPlace& parsed) {
  std::uint32_t line = 0;
  std::uint32_t wordNumber = 0;
  std::size_t at = 1;
  while (at < place.size() && place[at] >= '0' && place[at] <= '9') {
    wordNumber = wordNumber * 10 + static_cast<std::uint32_t>(place[at++] - '0');
  }
  if (at >= place.size() || place[at] != ',') return false;
  ++at;
  while (at < place.size() && place[at] >= '0' && place[at] <= '9') {
    line = line * 10 + static_cast<std::uint32_t>(place[at++] - '0');
  }
  parsed = WordPlace{line, wordNumber};
  return line >= 1 && wordNumber >= 1;
}

}  // namespace

std::vector<WordPlace> placesOfEntry(const WordEntry& entry) {
  std::vector<WordPlace> places;
  places.reserve(static_cast<std::size_t>(entry.placeCount));
  for (int k = 0; k < entry.placeCount; ++k) {
    WordPlace place{};
    if (parsePlace(entry.places[k], place)) places.push_back(place);
  }
  return places;
}
