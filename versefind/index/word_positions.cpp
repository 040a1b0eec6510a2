#include "index/word_positions.h"

#include <algorithm>
#include <cassert>

std::uint32_t WordPositions::wordsOfLine(std::uint32_t line) const {
  if (line < 1 || line > lineCount()) return 0;
  return static_cast<std::uint32_t>(starts_[line] - starts_[line - 1]);
}

std::uint64_t WordPositions::positionOf(WordPlace place) const {
  assert(holds(place));
  return starts_[place.line - 1] + place.wordNumber - 1;
}

WordPlace WordPositions::placeOf(std::uint64_t position) const {
  assert(position < wordCount());
  // The line is the last whose start is not above the position: the first
  // start above it, less one. Lines of no words share their start with the
  // next line, and upper_bound passes over them.
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), position);
  const auto line = static_cast<std::uint32_t>(after - starts_.begin() - 1);
  return WordPlace{line + 1, static_cast<std::uint32_t>(position - starts_[line] + 1)};
}

bool WordPositions::next(WordPlace& place) const {
  assert(holds(place));
  if (place.wordNumber < wordsOfLine(place.line)) {
    ++place.wordNumber;
    return true;
  }
  for (std::uint32_t line = place.line + 1; line <= lineCount(); ++line) {
    if (wordsOfLine(line) > 0) {
      place = WordPlace{line, 1};
      return true;
    }
  }
  return false;
}

bool WordPositions::previous(WordPlace& place) const {
  assert(holds(place));
  if (place.wordNumber > 1) {
    --place.wordNumber;
    return true;
  }
  for (std::uint32_t line = place.line - 1; line >= 1; --line) {
    if (wordsOfLine(line) > 0) {
      place = WordPlace{line, wordsOfLine(line)};
      return true;
    }
  }
  return false;
}
