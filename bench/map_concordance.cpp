// The baseline of versefind's query mode: the same concordance kept in a
// std::map, for timing whole processes side by side.
//
//   map_concordance TEXT            answers the words (or PREFIX*) read from
//                                   standard input, one a line
//   map_concordance TEXT --words    prints the vocabulary, one word a line
//
// It reads the text with versefind's word rules, keeps each word's first
// MAX_PLACES places as the same place strings (makePlace), so that only the
// container differs from versefind's, keeps every line of the text, and
// answers as
// `versefind --text TEXT --width 0 ORDER -` does: a header per word, then
// each place in its line with the word at one column, flushed after each
// query. It writes nothing to disk.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "sonnet_text.h"
#include "word_index.h"

namespace {

struct Text {
  std::vector<std::string> lines;
  std::map<std::string, std::vector<std::string>> words;
};

bool readText(const char* fileName, Text& text) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in.is_open()) return false;
  std::string line;
  std::string word;
  while (in.good()) {
    readTextLine(in, line);
    if (in.bad()) return false;
    text.lines.push_back(line);
    const int lineNumber = static_cast<int>(text.lines.size());
    LineFields fields(line);
    for (int wordNumber = 1; fields.next(word); ++wordNumber) {
      std::vector<std::string>& places = text.words[word];
      if (places.size() < MAX_PLACES) places.push_back(makePlace(lineNumber, wordNumber));
    }
  }
  return true;
}

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Screen columns: a tab shows as one blank, a control byte as \xhh, a byte
// continuing a UTF-8 sequence takes none.
int columnsOf(const char* begin, const char* end) {
  int columns = 0;
  for (const char* p = begin; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    columns += c == '\t' ? 1 : isControl(c) ? 4 : (c & 0xC0) == 0x80 ? 0 : 1;
  }
  return columns;
}

// Appends the bytes [begin, end) as shown: control bytes escaped, and in a
// line (not in a word) a tab as one blank.
void appendShown(std::string& out, const char* begin, const char* end, bool inLine = true) {
  for (const char* p = begin; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\t' && inLine) {
      out += ' ';
    } else if (isControl(c)) {
      out += "\\x";
      out += "0123456789abcdef"[c >> 4];
      out += "0123456789abcdef"[c & 0xF];
    } else {
      out += *p;
    }
  }
}

// The numbers of a place string "(WORDNO,LINE)".
void readPlace(const std::string& place, int& line, int& wordNumber) {
  char* comma = nullptr;
  wordNumber = static_cast<int>(std::strtol(place.c_str() + 1, &comma, 10));
  line = static_cast<int>(std::strtol(comma + 1, nullptr, 10));
}

void writeBlock(const Text& text, const std::string& word, const std::vector<std::string>& places,
                std::string& out) {
  appendShown(out, word.data(), word.data() + word.size(), false);
  out += ": " + std::to_string(places.size()) + (places.size() == 1 ? " place" : " places");
  if (places.size() == MAX_PLACES) {
    out += " (a word keeps only its first " + std::to_string(MAX_PLACES) + " places)";
  }
  out += '\n';
  struct Shown {
    std::string location;
    const std::string* line;
    std::size_t field;  // where the word's field starts in the line
    int leftColumns;
  };
  std::vector<Shown> shown;
  std::size_t locationWidth = 0;
  int leftMost = 0;
  for (const std::string& place : places) {
    int lineNumber = 0;
    int wordNumber = 0;
    readPlace(place, lineNumber, wordNumber);
    const std::string& line = text.lines[static_cast<std::size_t>(lineNumber - 1)];
    const std::size_t scanned = std::min(line.size(), line.find('\0'));
    std::size_t field = 0;
    for (int n = 1; n < wordNumber && field < scanned; ++n) {
      field = std::min(scanned, line.find(' ', field));
      if (field < scanned) ++field;
    }
    Shown s{std::to_string(lineNumber) + ":" + std::to_string(wordNumber), &line, field,
            columnsOf(line.data(), line.data() + field)};
    locationWidth = std::max(locationWidth, s.location.size());
    leftMost = std::max(leftMost, s.leftColumns);
    shown.push_back(std::move(s));
  }
  for (const Shown& s : shown) {
    out += s.location;
    const auto indent = static_cast<std::size_t>(leftMost - s.leftColumns);
    out.append(locationWidth - s.location.size() + 2 + indent, ' ');
    appendShown(out, s.line->data(), s.line->data() + s.line->size());
    out += '\n';
  }
  out += '\n';
}

// Answers one query line; returns whether a word was found.
bool answer(const Text& text, const std::string& query) {
  const std::size_t first = query.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const std::size_t last = query.find_last_not_of(' ');
  const bool isPrefix = query[last] == '*';
  std::string asked;
  const std::string cut = query.substr(first, last + 1 - first - (isPrefix ? 1 : 0));
  LineFields fields(cut);
  fields.next(asked);
  if (asked.empty()) return false;
  std::string out;
  if (isPrefix) {
    for (auto it = text.words.lower_bound(asked);
         it != text.words.end() && it->first.compare(0, asked.size(), asked) == 0; ++it) {
      writeBlock(text, it->first, it->second, out);
    }
  } else {
    const auto it = text.words.find(asked);
    if (it != text.words.end()) writeBlock(text, it->first, it->second, out);
  }
  if (out.empty()) {
    std::fprintf(stderr, "map_concordance: %s: not in the text\n", cut.c_str());
    return false;
  }
  std::cout << out << std::flush;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--words")) {
    std::fprintf(stderr, "usage: map_concordance TEXT [--words]\n");
    return 2;
  }
  std::ios::sync_with_stdio(false);
  Text text;
  if (!readText(argv[1], text)) {
    std::fprintf(stderr, "map_concordance: %s: cannot be read\n", argv[1]);
    return 1;
  }
  if (argc == 3) {
    for (const auto& entry : text.words) {
      if (!entry.first.empty()) std::cout << entry.first << '\n';
    }
    return std::cout.flush() ? 0 : 1;
  }
  bool allFound = true;
  std::string query;
  while (std::getline(std::cin, query)) {
    if (!query.empty() && query.back() == '\r') query.pop_back();
    allFound &= answer(text, query);
  }
  return allFound ? 0 : 1;
}
