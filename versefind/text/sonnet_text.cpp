// The word rules: lowerCase, makePlace, line reading and field cutting.
#include "text/sonnet_text.h"

#include <charconv>
#include <cstring>

namespace {

// The marks that are dropped from a word wherever they stand.
bool isRemovedMark(char c) {
  switch (c) {
    case ',': case ';': case ':': case '\'':
    case '-': case '!': case '?': case '.':
      return true;
    default:
      return false;
  }
}

}  // namespace

void lowerCase(std::string& word) {
  for (char& c : word) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

std::string makePlace(int line, int wordNumber) {
  // Built in place and made a string once: a place of up to 15 characters
  // (word and line numbers below a million) then fits in the string's own
  // buffer, so the index holds it without an allocation of its own.
  constexpr int INT_DIGITS = 11;  // any int, with its sign
  char text[2 * INT_DIGITS + 3];  // "(" int "," int ")"
  char* end = text;
  *end++ = '(';
  end = std::to_chars(end, end + INT_DIGITS, wordNumber).ptr;
  *end++ = ',';
  end = std::to_chars(end, end + INT_DIGITS, line).ptr;
  *end++ = ')';
  return std::string(text, end);
}

std::string wordOfField(const std::string& field) {
  std::string word;
  for (const char c : field) {
    if (!isRemovedMark(c)) word += c;
  }
  lowerCase(word);
  return word;
}

std::size_t readTextLine(std::istream& in, std::string& line) {
  std::getline(in, line);
  // Only a line that ended at a line feed leaves the stream good; a carriage
  // return at the very end of the file is data, as in text-mode reading.
  const std::size_t taken = line.size() + (in.good() ? 1 : 0);
  if (in.good() && !line.empty() && line.back() == '\r') line.pop_back();
  return taken;
}

LineFields::LineFields(const std::string& line)
    : cursor_(line.data()),
      end_(line.data() + std::strlen(line.c_str())) {}  // up to the first NUL

bool LineFields::next(std::string& word) {
  if (done_) return false;
  word.clear();
  while (cursor_ != end_ && *cursor_ != ' ') {
    if (!isRemovedMark(*cursor_)) word += *cursor_;
    ++cursor_;
  }
  if (cursor_ == end_) {
    done_ = true;  // the last field ends at the end of the line
  } else {
    ++cursor_;  // the blank ends this field and starts the next
  }
  lowerCase(word);
  return true;
}
