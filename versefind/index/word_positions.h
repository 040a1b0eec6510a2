// Where each word stands in the text as a whole: the text counted in words,
// across line ends. A place (line, word number) and a position (the number
// of words before it in the text, from 0) name the same word; the table of
// each line's word count turns one into the other, so that a phrase may go on
// from the end of a line to the start of the next, and a plot may lay every
// place out along the text's length.
//
// A corpus of several files is one run of lines, the files one after
// another, but no run of words goes on from one file into the next: next()
// and previous() stop at a file's end and start as they do at the text's.
//
// Invariants: starts_ holds one element per line plus one; starts_[0] is 0,
// starts_[n] is the number of words of lines 1 to n, so it never decreases,
// and its last element is the text's word count. fileStarts_ holds, for each
// file begun, the number of lines before its first; it never decreases, and
// is empty when the text is one file that was never begun.
#ifndef VERSEFIND_WORD_POSITIONS_H
#define VERSEFIND_WORD_POSITIONS_H

#include <cstdint>
#include <vector>

#include "index/word_index.h"

class WordPositions {
 public:
  WordPositions() : starts_{0} {}

  // Adds the next line, which holds `words` words (empty lines too, so that
  // line numbers stay right).
  void addLine(std::uint32_t words) { starts_.push_back(starts_.back() + words); }

  // Begins the next file: the lines added from now on are its lines.
  void startFile() { fileStarts_.push_back(lineCount()); }

  // The number of files (1 when none was begun), the file that holds line
  // `line` (from 0), and the lines before the first line of file `file`.
  // REQUIRES: 1 <= line <= lineCount(); file < fileCount().
  std::uint32_t fileCount() const {
    return fileStarts_.empty() ? 1 : static_cast<std::uint32_t>(fileStarts_.size());
  }
  std::uint32_t fileOfLine(std::uint32_t line) const;
  std::uint32_t linesBeforeFile(std::uint32_t file) const {
    return fileStarts_.empty() ? 0 : fileStarts_[file];
  }

  // The words of the files before file `file`: the position of its first
  // word, when it has one. REQUIRES: file < fileCount().
  std::uint64_t wordsBeforeFile(std::uint32_t file) const { return starts_[linesBeforeFile(file)]; }

  // Makes room for `lines` lines, so that adding them allocates once.
  void reserve(std::uint32_t lines) { starts_.reserve(static_cast<std::size_t>(lines) + 1); }

  // The number of lines, and of words in the whole text.
  std::uint32_t lineCount() const { return static_cast<std::uint32_t>(starts_.size() - 1); }
  std::uint64_t wordCount() const { return starts_.back(); }
  // The number of words of line `line`; 0 for a line the text does not have.
  std::uint32_t wordsOfLine(std::uint32_t line) const;

  // Whether `place` names a word of the text.
  bool holds(WordPlace place) const {
    return place.line >= 1 && place.line <= lineCount() && place.wordNumber >= 1 &&
           place.wordNumber <= wordsOfLine(place.line);
  }
  // The position of the word at `place`. REQUIRES: holds(place).
  std::uint64_t positionOf(WordPlace place) const;
  // The place of the word at `position`. REQUIRES: position < wordCount().
  WordPlace placeOf(std::uint64_t position) const;
  // Moves `place` to the next word of the text, or the one before it, over
  // lines of no word; returns false, leaving it as it was, at the end or the
  // start of the text or of its file. REQUIRES: holds(place).
  bool next(WordPlace& place) const;
  bool previous(WordPlace& place) const;

 private:
  // The last line of the file that holds `line`.
  std::uint32_t lastLineOfFile(std::uint32_t line) const;

  std::vector<std::uint64_t> starts_;
  std::vector<std::uint32_t> fileStarts_;
};

#endif  // VERSEFIND_WORD_POSITIONS_H
