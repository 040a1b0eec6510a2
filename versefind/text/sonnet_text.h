// The word rules of the text, shared by the index builder and the lookup.
//
// A line is cut at every blank (and only at blanks), so a line with n blanks
// has n + 1 fields, numbered from 1: that number is the word number. A line
// ends at its line feed (a carriage return right before it belongs to the
// line end) and is scanned only up to its first NUL byte. The word of a
// field is the field without the eight marks , ; : ' - ! ? . and with A-Z
// lower-cased; it may be empty.
#ifndef VERSEFIND_SONNET_TEXT_H
#define VERSEFIND_SONNET_TEXT_H

#include <istream>
#include <cstddef>
#include <string>

// Replaces A-Z by a-z in place; every other byte stays as it is.
void lowerCase(std::string& word);

// The place string of a word: "(" word number "," line number ")".
// Note the argument order: line first, although the text puts it second.
std::string makePlace(int line, int wordNumber);

// The word of one field: the field without the eight marks, A-Z
// lower-cased. Every other byte, a blank included, stays.
std::string wordOfField(const std::string& field);

// Reads the next line into `line` like std::getline, and drops a carriage
// return that stood right before the line feed. Like std::getline, a read
// on a stream that has already failed leaves `line` untouched. Returns the
// characters taken from the stream: the line as it stood, and its line feed.
std::size_t readTextLine(std::istream& in, std::string& line);

// Walks the fields of one line from the first, yielding each field's word.
// It reads the caller's line in place, so the line must outlive the walk
// (a lifetime, which no check at run time can see).
class LineFields {
 public:
  explicit LineFields(const std::string& line);
  // Stores the word of the next field in `word` and returns true; returns
  // false once every field has been yielded.
  bool next(std::string& word);

 private:
  const char* cursor_;
  const char* end_;
  bool done_ = false;
};

#endif  // VERSEFIND_SONNET_TEXT_H
