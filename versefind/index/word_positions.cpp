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

std::uint32_t WordPositions::fileOfLine(std::uint32_t line) const {
  assert(line >= 1 && line <= lineCount());
  if (fileStarts_.empty()) return 0;
  // The last file that starts before the line: files of no lines share
  // their start with the next file, and upper_bound passes over them.
  const auto after = std::upper_bound(fileStarts_.begin(), fileStarts_.end(), line - 1);
  return static_cast<std::uint32_t>(after - fileStarts_.begin() - 1);
}

std::uint32_t WordPositions::lastLineOfFile(std::uint32_t line) const {
  const std::uint32_t file = fileOfLine(line);
  return file + 1 < fileCount() ? fileStarts_[file + 1] : lineCount();
}

bool WordPositions::next(WordPlace& place) const {
  assert(holds(place));
  if (place.wordNumber < wordsOfLine(place.line)) {
    ++place.wordNumber;
    return true;
  }
  const std::uint32_t last = lastLineOfFile(place.line);
  for (std::uint32_t line = place.line + 1; line <= last; ++line) {
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
  const std::uint32_t first = linesBeforeFile(fileOfLine(place.line)) + 1;
  for (std::uint32_t line = place.line - 1; line >= first; --line) {
    if (wordsOfLine(line) > 0) {
      place = WordPlace{line, wordsOfLine(line)};
      return true;
    }
  }
  return false;
}
