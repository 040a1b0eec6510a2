// The index the concordance answers from: a text's lines, kept once, and a
// tree of its words, built by a set of word rules given to the builder.
//
// The word rules are pluggable: anything that cuts a line into its words,
// in order, and cleans a query the same way. The sonnets' rules
// (sonnet_text.h) are one such set; the query modes index by queryRules().
#ifndef VERSEFIND_TEXT_INDEX_H
#define VERSEFIND_TEXT_INDEX_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "index/word_index.h"
#include "index/word_positions.h"

// The lines of a text in one buffer, each found by where it starts: a text
// of many short lines costs its bytes and one offset a line, not a string
// (and an allocation) a line. Beside them, the number of words of each line,
// which places each word in the text as a whole (word_positions.h).
class TextLines {
 public:
  // Room for `bytes` bytes of lines more, so that the buffer is not copied
  // as it grows.
  void reserve(std::size_t bytes) {
    if (keepBytes_) text_.reserve(text_.size() + bytes);
  }
  // From now on keeps of each line added its number of words, and its
  // bytes only when it is the first line of its file (which tells a UTF-16
  // text): an index file's build needs no more, in memory that does not
  // grow with the text's bytes. REQUIRES: no line added yet.
  void keepNoBytes() { keepBytes_ = false; }
  // Begins the next file of a corpus, named `name` as place lines show it:
  // the lines added from now on are its lines. A text of one file need not
  // begin it.
  void startFile(std::string name);
  // Makes these the lines of a corpus whose files were begun elsewhere:
  // file k is named names[k] and has linesBefore[k] lines before its first.
  // REQUIRES: fetchFrom is used; both as long, linesBefore not decreasing.
  void nameFiles(std::vector<std::string> names, std::vector<std::uint32_t> linesBefore);
  // The number of files (1 when none was begun), the name of file `file`
  // (empty when none was begun), the file that holds line `line` (from 1),
  // and the lines before file `file`'s first.
  std::uint32_t fileCount() const;
  const std::string& fileName(std::uint32_t file) const;
  std::uint32_t fileOfLine(std::uint32_t line) const;
  std::uint32_t linesBeforeFile(std::uint32_t file) const;
  // Adds the next line, which holds `words` words by the rules it was cut by.
  void add(std::string_view line, std::uint32_t words = 0);
  // The number of lines.
  std::size_t size() const { return fetch_ ? fetchedCount_ : positions_.lineCount(); }
  // Line `index` + 1 (the first line is element 0). REQUIRES: index < size();
  // after keepNoBytes(), the first line of the file begun last.
  std::string_view operator[](std::size_t index) const;
  // Copies line `index` + 1 into `line`: a line of a text not held here is
  // read without being kept, for a caller that keeps what it needs of it.
  void copyLine(std::size_t index, std::string& line) const;
  // Where each word stands in the text as a whole.
  const WordPositions& positions() const;
  // The bytes of the lines added to the file begun last (or to the text)
  // that are not part of valid UTF-8, and the first of its lines (from 1)
  // that holds one; 0 for none.
  std::uint64_t bytesNotUtf8() const { return bytesNotUtf8_; }
  std::size_t firstLineNotUtf8() const { return firstLineNotUtf8_; }

  // Makes these the `count` lines of a text that is not held here: line
  // `index` + 1 is read by `fetch` the first time it is asked for, and kept
  // from then on, so that only the lines an answer shows take room.
  // `countWords` tells where each word of the text stands, by adding its
  // lines to the positions given; it is called only when they are first
  // asked for, as most answers never need them.
  using Fetch = std::function<void(std::size_t index, std::string& line)>;
  using CountWords = std::function<void(WordPositions& positions)>;
  void fetchFrom(std::size_t count, Fetch fetch, CountWords countWords);

 private:
  std::string text_;
  std::vector<std::size_t> starts_;
  bool keepBytes_ = true;
  std::string firstLine_;  // without the bytes, the file's first line
  std::vector<std::string> fileNames_;
  std::vector<std::uint32_t> fileStarts_;  // lines before each file's first
  mutable WordPositions positions_;
  mutable CountWords countWords_;  // until the positions are counted
  std::uint64_t bytesNotUtf8_ = 0;
  std::size_t firstLineNotUtf8_ = 0;
  std::size_t fetchedCount_ = 0;
  Fetch fetch_;
  mutable std::unordered_map<std::size_t, std::string> fetched_;
};

// How a text is cut into words, and a query cleaned into the word it asks for.
class WordRules {
 public:
  // Receives each word of a line with the bytes [begin, end) of the line
  // that it was cut from.
  using Each = std::function<void(const std::string& word, std::size_t begin, std::size_t end)>;

  WordRules() = default;
  WordRules(const WordRules&) = delete;
  WordRules& operator=(const WordRules&) = delete;
  virtual ~WordRules() = default;

  // Calls `each` once for every word of `line`, in order: the n-th call is
  // word number n.
  virtual void cutLine(const std::string& line, const Each& each) const = 0;
  // Finds the next word of `line` from byte `at` (0 for the first word,
  // else where the call before left it): stores the bytes [begin, end) it
  // was cut from, moves `at` past it and returns true; returns false when
  // the line holds no more words. The n-th word found from 0 is the n-th
  // that cutLine yields, so a walk can be stopped and taken up again.
  virtual bool nextWord(std::string_view line, std::size_t& at, std::size_t& begin,
                        std::size_t& end) const = 0;
  // Stores in `words` the words of `query`, cleaned as the text's words
  // are, each keeping its wildcards, "*" and "?" (word_pattern.h), and
  // returns true; returns false, with `words` left alone, under rules that
  // have none: the sonnets' rules know only a prefix's star, at the end.
  virtual bool cutPatterns(const std::string& query, std::vector<std::string>& words) const {
    static_cast<void>(query);
    static_cast<void>(words);
    return false;
  }
  // Readies the first line of a text before it is kept and cut: the text
  // rules drop a UTF-8 byte-order mark there; the sonnets' rules keep it.
  virtual void startText(std::string& firstLine) const { static_cast<void>(firstLine); }
  // Readies each line as read, before it is kept and cut: the text rules
  // for a Latin-1 text turn it into UTF-8; the others keep it.
  virtual void readyLine(std::string& line) const { static_cast<void>(line); }
};

// The sonnets' rules: every blank-separated field is a word (it may be
// empty), cleaned by wordOfField.
const WordRules& classicRules();

// The rules of the query modes when --classic is not given: the text
// rules (text_rules.h). A query of several words is cleaned into its words
// joined by single blanks.
const WordRules& queryRules();

// The text rules for a text in ISO-8859-1 or Windows-1252: each line is
// turned into UTF-8 as it is read, and shown so.
const WordRules& latin1Rules();

// The name of standard input as a text: read once, as it comes.
inline constexpr char STANDARD_INPUT[] = "-";

// Reads the text file `fileName` (standard input for STANDARD_INPUT) line
// by line as buildIndex reads it (one
// pass more when it ends with a line break), keeps each line in `lines`,
// cuts it by `rules` and calls `take(word, line, wordNumber)` for each of its
// words, in order. Writes nothing. Returns the number of passes, or 0 when
// the text cannot be read (`failure` then tells why).
using TakeWord = std::function<void(const std::string& word, std::uint32_t line,
                                    std::uint32_t wordNumber)>;
// When `lineStarts` is given, the text is read as bytes, with no
// translation of line ends on any system, and it receives the byte offset
// where each line starts; `progress`, when set, is then told the bytes read
// so far now and then.
using ReadProgress = std::function<void(std::uint64_t bytesRead)>;
int readTextFile(const std::string& fileName, const WordRules& rules, TextLines& lines,
                 IndexFailure& failure, const TakeWord& take,
                 std::vector<std::uint64_t>* lineStarts = nullptr,
                 const ReadProgress& progress = nullptr);

// Reads the words of the text file `fileName` as bytes, as readTextFile
// reads them for an index file, and gives each to `take`, keeping no line.
int readTextWords(const std::string& fileName, const WordRules& rules, IndexFailure& failure,
                  const TakeWord& take);

// The place of word `wordNumber` of line `line` as an entry keeps it: a
// place string (makePlace) or numbers.
template <typename Place>
Place placeAt(std::uint32_t line, std::uint32_t wordNumber);
template <>
std::string placeAt<std::string>(std::uint32_t line, std::uint32_t wordNumber);
template <>
inline WordPlace placeAt<WordPlace>(std::uint32_t line, std::uint32_t wordNumber) {
  return WordPlace{line, wordNumber};
}

// Indexes the text file in `tree` (a tree of either kind, or anything with
// its Place type and insert), as readTextFile reads it.
template <typename Tree>
int indexTextFile(const std::string& fileName, const WordRules& rules, Tree& tree,
                  TextLines& lines, IndexFailure& failure,
                  std::vector<std::uint64_t>* lineStarts = nullptr,
                  const ReadProgress& progress = nullptr) {
  using Place = typename Tree::Place;
  return readTextFile(
      fileName, rules, lines, failure,
      [&tree](const std::string& word, std::uint32_t line, std::uint32_t n) {
        tree.insert(word, placeAt<Place>(line, n));
      },
      lineStarts, progress);
}

#endif  // VERSEFIND_TEXT_INDEX_H
