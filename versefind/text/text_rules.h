// The text rules: how the query modes cut any text into words.
//
// A text is read as UTF-8. A word is a maximal run of word characters:
// letters, combining marks and digits (Unicode general categories L, M, N,
// as the system classifies them: isWordCharacter in console.h). One
// apostrophe (U+0027, U+2019) or hyphen (U+002D, U+2010, U+2011) with a word
// character directly on both sides belongs to the word: "here's",
// "well-known", "o'er", "rock'n'roll". Everything else separates words:
// blanks, tabs, other punctuation, quotes, brackets, "--", dashes,
// symbols, control characters, and every byte that is not part of valid
// UTF-8 (a stray continuation byte, a truncated sequence, an overlong form,
// a surrogate, anything above U+10FFFF, the bytes C0, C1, F5 to FF).
//
// A word is cleaned: every character takes its simple lower case ("CAFÉ"
// gives "café", "ΛΌΓΟΣ" "λόγοσ", "ДОМ" "дом"), U+2019 becomes "'" and
// U+2010 and U+2011 become "-", so that the spellings of a word meet. The
// words of a line are numbered from 1.
//
// A line ends at a line feed, and a carriage return right before it is
// dropped, as the sonnets' reader (readTextLine) reads them; a UTF-8
// byte-order mark at the start of a text is dropped (dropByteOrderMark). A
// byte-order mark anywhere else, or one a caller kept, is a format
// character (U+FEFF) and separates words like any other: it changes where a
// word starts, never which words a line has.
#ifndef VERSEFIND_TEXT_RULES_H
#define VERSEFIND_TEXT_RULES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "utf8.h"

// One word of a line: its number in the line, where it stands in the line
// (the bytes from `begin` up to `end`, exclusive: the word as written, for
// showing it in its line), and the word cleaned.
struct TextWord {
  int number = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string word;
};

// Walks the words of one line (without its line end), from the first. It
// reads the caller's line in place, so the line must outlive the walk.
class TextWords {
 public:
  explicit TextWords(std::string_view line);
  // A walk that goes on from byte `from`, where an earlier walk of the same
  // line left its last word: the word it yields next is the one after it.
  TextWords(std::string_view line, std::size_t from) : line_(line), at_(from) {}
  // A walk of a query, where "*" and "?" are wildcards (word_pattern.h):
  // each is taken as a word character, and kept as it is in the word.
  static TextWords ofQuery(std::string_view query);
  // Stores the next word in `word` and returns true; returns false once
  // every word has been yielded. `word.word` is reused, so a caller that
  // passes the same TextWord every time allocates only for longer words.
  bool next(TextWord& word);

 private:
  std::string_view line_;
  std::size_t at_ = 0;
  int number_ = 0;
  bool wildcards_ = false;
};

// The characters of a line are decoded by the one UTF-8 decoder (utf8.h).


// The words of a query, cleaned as the text's words are: one word, several
// (a phrase), or none (a query of blanks and marks alone). With `wildcards`,
// a word keeps its stars and question marks (TextWords::ofQuery).
std::vector<std::string> queryWords(std::string_view query, bool wildcards = false);

// Drops a UTF-8 byte-order mark from the start of `firstLine`, the first
// line of a text: the mark names the encoding and is no part of the text.
void dropByteOrderMark(std::string& firstLine);

// Null when the system classifies every character the text rules ask
// about; otherwise the reason it cannot, for one line on standard error
// ("versefind: " and the reason), shown once a run.
const char* textRulesLimit();

#endif  // VERSEFIND_TEXT_RULES_H
