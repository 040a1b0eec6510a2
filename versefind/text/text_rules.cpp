// The text rules: decoding UTF-8, finding the words of a line and cleaning
// them.
#include "text/text_rules.h"

#include "platform/console.h"

// Decodes the character that starts at `at` and stores its length in
// bytes. A byte that does not start a valid sequence is taken alone, so a
// broken sequence never swallows the valid character after it. The second
// byte's range is what rules out overlong forms (E0, F0), surrogates (ED)
// and code points above U+10FFFF (F4).
namespace {

bool inWord(char32_t c) { return c != NOT_A_CHARACTER && isWordCharacter(c); }

// An apostrophe or a hyphen, which joins the word characters around it.
bool isJoiner(char32_t c) {
  return c == '\'' || c == 0x2019 || c == '-' || c == 0x2010 || c == 0x2011;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Appends `c` as the cleaned word holds it: the typographic apostrophe and
// hyphens as their ASCII forms, everything else in lower case.
void appendCleaned(std::string& word, char32_t c) {
  if (c == 0x2019) {
    word += '\'';
  } else if (c == 0x2010 || c == 0x2011) {
    word += '-';
  } else {
    appendUtf8(word, lowerCaseCharacter(c));
  }
}

// Where the run of ASCII letters and digits that starts at `at` ends.
std::size_t asciiRunEnd(std::string_view text, std::size_t at) {
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x80 || !isWordCharacter(byte)) break;
    ++at;
  }
  return at;
}

// Appends a run of ASCII letters and digits, lower-cased.
void appendLowerAscii(std::string& word, std::string_view run) {
  const std::size_t start = word.size();
  word.append(run);
  for (std::size_t i = start; i < word.size(); ++i) {
    word[i] = static_cast<char>(lowerCaseCharacter(static_cast<unsigned char>(word[i])));
  }
}

}  // namespace

TextWords::TextWords(std::string_view line) : line_(line) {}

TextWords TextWords::ofQuery(std::string_view query) {
  TextWords walk(query);
  walk.wildcards_ = true;
  return walk;
}

bool TextWords::next(TextWord& word) {
  // A query's wildcards belong to its words.
  const auto belongs = [this](char32_t c) { return inWord(c) || (wildcards_ && (c == '*' || c == '?')); };
  std::size_t length = 0;
  char32_t c = 0;
  // Up to the next word character.
  for (;; at_ += length) {
    if (at_ >= line_.size()) return false;
    c = decodeUtf8(line_, at_, length);
    if (belongs(c)) break;
  }
  word.number = ++number_;
  word.begin = at_;
  word.word.clear();
  // `c`, of `length` bytes at at_, belongs to the word: take it, then look
  // at what follows.
  for (;;) {
    appendCleaned(word.word, c);
    at_ += length;
    // The ASCII letters and digits that follow, most of a word in most
    // texts, are taken in one step.
    const std::size_t run = asciiRunEnd(line_, at_);
    if (run != at_) {
      appendLowerAscii(word.word, line_.substr(at_, run - at_));
      at_ = run;
    }
    word.end = at_;
    if (at_ >= line_.size()) break;
    c = decodeUtf8(line_, at_, length);
    if (belongs(c)) continue;
    if (!isJoiner(c) || at_ + length >= line_.size()) break;
    std::size_t afterLength = 0;
    const char32_t after = decodeUtf8(line_, at_ + length, afterLength);
    if (!belongs(after)) break;  // the joiner is left for the next walk to skip
    appendCleaned(word.word, c);
    at_ += length;
    c = after;
    length = afterLength;
  }
  return true;
}

std::vector<std::string> queryWords(std::string_view query, bool wildcards) {
  std::vector<std::string> words;
  TextWords walk = wildcards ? TextWords::ofQuery(query) : TextWords(query);
  TextWord word;
  while (walk.next(word)) words.push_back(word.word);
  return words;
}

void dropByteOrderMark(std::string& firstLine) {
  if (firstLine.compare(0, 3, "\xEF\xBB\xBF") == 0) firstLine.erase(0, 3);
}

const char* textRulesLimit() { return characterLimit(); }
