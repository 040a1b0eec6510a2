// Answering a query from the index: cleaning it, finding the word or the
// words of a prefix, and laying out each place in its line.
#include "concordance.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "console.h"
#include "sonnet_text.h"

namespace {

const char* const COLOR_ON = "\x1b[1;31m";
const char* const COLOR_OFF = "\x1b[0m";
const char* const CUT = "...";
constexpr int CUT_WIDTH = 3;

// A query is named in a message in at most this many columns, so that a
// huge line read as a query does not flood the terminal.
constexpr int MAX_NAMED = 60;

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The columns one byte takes on the screen: an escaped control byte four,
// a tab one (it is shown as a blank), a byte that continues a UTF-8
// sequence none, every other byte one.
int columnsOf(unsigned char c) {
  if (c == '\t') return 1;
  if (isControl(c)) return 4;
  return (c & 0xC0) == 0x80 ? 0 : 1;
}

int columnsOf(const char* begin, const char* end) {
  int columns = 0;
  for (const char* p = begin; p != end; ++p) columns += columnsOf(static_cast<unsigned char>(*p));
  return columns;
}

void appendEscaped(std::string& out, unsigned char c) {
  const char* const digits = "0123456789abcdef";
  out += "\\x";
  out += digits[c >> 4];
  out += digits[c & 0xF];
}

// Appends the bytes [begin, end) as they are shown in a place line.
void appendShown(std::string& out, const char* begin, const char* end) {
  for (const char* p = begin; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\t') {
      out += ' ';
    } else if (isControl(c)) {
      appendEscaped(out, c);
    } else {
      out += *p;
    }
  }
}

// The longest tail of [begin, end) that fits in `columns`: where it starts.
// A cut never falls inside a UTF-8 sequence or an escape.
const char* tailStart(const char* begin, const char* end, int columns) {
  const char* start = end;
  int used = 0;
  while (start != begin) {
    const char* p = start - 1;
    while (p != begin && (static_cast<unsigned char>(*p) & 0xC0) == 0x80) --p;  // whole character
    const int more = columnsOf(p, start);
    if (used + more > columns) break;
    used += more;
    start = p;
  }
  return start;
}

// The longest head of [begin, end) that fits in `columns`: where it ends.
const char* headEnd(const char* begin, const char* end, int columns) {
  const char* stop = begin;
  int used = 0;
  while (stop != end) {
    const char* p = stop + 1;
    while (p != end && (static_cast<unsigned char>(*p) & 0xC0) == 0x80) ++p;
    const int more = columnsOf(stop, p);
    if (used + more > columns) break;
    used += more;
    stop = p;
  }
  return stop;
}

// One place of a word, found in its line.
struct PlaceLine {
  std::string location;  // "LINE:WORDNO"
  const char* begin;     // the line
  const char* field;     // the found field, up to fieldEnd
  const char* fieldEnd;
  const char* end;
  int leftColumns;
  int fieldColumns;
};

// Reads the place string "(WORDNO,LINE)".
bool parsePlace(const std::string& place, int& line, int& wordNumber) {
  line = 0;
  wordNumber = 0;
  std::size_t at = 1;
  while (at < place.size() && place[at] >= '0' && place[at] <= '9') {
    wordNumber = wordNumber * 10 + (place[at++] - '0');
  }
  if (at >= place.size() || place[at] != ',') return false;
  ++at;
  while (at < place.size() && place[at] >= '0' && place[at] <= '9') {
    line = line * 10 + (place[at++] - '0');
  }
  return line >= 1 && wordNumber >= 1;
}

// Finds field `wordNumber` of `line`: fields are cut at blanks, and the
// line is scanned up to its first NUL, as the word rules read it.
PlaceLine placeLine(const std::string& text, int line, int wordNumber) {
  PlaceLine p{};
  p.location = std::to_string(line) + ":" + std::to_string(wordNumber);
  p.begin = text.data();
  p.end = text.data() + text.size();
  const char* const scanned = p.begin + std::min(text.size(), text.find('\0'));
  const char* field = p.begin;
  for (int n = 1; n < wordNumber && field != scanned; ++n) {
    field = std::find(field, scanned, ' ');
    if (field != scanned) ++field;
  }
  p.field = field;
  p.fieldEnd = std::find(field, scanned, ' ');
  p.leftColumns = columnsOf(p.begin, p.field);
  p.fieldColumns = columnsOf(p.field, p.fieldEnd);
  return p;
}

// Where the parts of a block's place lines stand: the widest location, the
// columns that it and its two blanks leave for the text (when a width is
// set), and the columns of the left context, which put every found field at
// one column.
struct BlockColumns {
  std::size_t location = 0;
  int text = 0;
  int left = 0;
};

BlockColumns blockColumns(const std::vector<PlaceLine>& shown, int width) {
  BlockColumns columns;
  int leftMost = 0;
  int fieldMost = 0;
  int rightMost = 0;
  for (const PlaceLine& p : shown) {
    columns.location = std::max(columns.location, p.location.size());
    leftMost = std::max(leftMost, p.leftColumns);
    fieldMost = std::max(fieldMost, p.fieldColumns);
    rightMost = std::max(rightMost, columnsOf(p.fieldEnd, p.end));
  }
  if (width == 0) {
    columns.left = leftMost;
    return columns;
  }
  // The left context gets what it needs, when the right context leaves it;
  // else half of what the longest field leaves, and never less than the
  // mark of a cut. The right context takes the rest of each line.
  columns.text = width - static_cast<int>(columns.location) - 2;
  const int leftRoom = std::max(
      {CUT_WIDTH, (columns.text - fieldMost) / 2, columns.text - fieldMost - rightMost});
  columns.left = std::min(leftMost, leftRoom);
  return columns;
}

// Appends one place line: the location, the left context (its start cut
// when it does not fit), the found field whole, and the right context (its
// end cut when it does not fit).
void appendPlaceLine(std::string& block, const PlaceLine& p, const BlockColumns& columns,
                     const Layout& layout) {
  block += p.location;
  block.append(columns.location - p.location.size() + 2, ' ');
  if (p.leftColumns <= columns.left) {
    block.append(static_cast<std::size_t>(columns.left - p.leftColumns), ' ');
    appendShown(block, p.begin, p.field);
  } else {
    const char* const tail = tailStart(p.begin, p.field, columns.left - CUT_WIDTH);
    block.append(static_cast<std::size_t>(columns.left - CUT_WIDTH - columnsOf(tail, p.field)), ' ');
    block += CUT;
    appendShown(block, tail, p.field);
  }
  if (layout.color) block += COLOR_ON;
  appendShown(block, p.field, p.fieldEnd);
  if (layout.color) block += COLOR_OFF;
  const int rightWidth = columns.text - columns.left - p.fieldColumns;
  if (layout.width == 0 || columnsOf(p.fieldEnd, p.end) <= rightWidth) {
    appendShown(block, p.fieldEnd, p.end);
  } else {
    appendShown(block, p.fieldEnd, headEnd(p.fieldEnd, p.end, rightWidth - CUT_WIDTH));
    block += CUT;
  }
  block += '\n';
}

// The query as a message names it: escaped, and cut when it is long; one
// of blanks alone, or nothing, in quotes, so that the line shows it.
std::string namedQuery(const std::string& asked) {
  if (asked.find_first_not_of(' ') == std::string::npos) return "'" + asked + "'";
  const char* const begin = asked.data();
  const char* const end = headEnd(begin, begin + asked.size(), MAX_NAMED);
  const std::string named = shownWord(std::string(begin, end));
  return end == begin + asked.size() ? named : named + CUT;
}

}  // namespace

void writeBlock(const std::vector<std::string>& lines, const Layout& layout,
                const std::string& word, const std::string* places, int count, std::ostream& out) {
  std::string block = shownWord(word);
  block += ": " + std::to_string(count) + (count == 1 ? " place" : " places");
  if (count == MAX_PLACES) {
    block += " (a word keeps only its first " + std::to_string(MAX_PLACES) + " places)";
  }
  block += '\n';

  static const std::string noLine;
  std::vector<PlaceLine> shown;
  shown.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    int line = 0;
    int wordNumber = 0;
    if (!parsePlace(places[k], line, wordNumber)) continue;
    const std::string& text = line <= static_cast<int>(lines.size())
                                  ? lines[static_cast<std::size_t>(line - 1)]
                                  : noLine;
    shown.push_back(placeLine(text, line, wordNumber));
  }
  const BlockColumns columns = blockColumns(shown, layout.width);
  for (const PlaceLine& p : shown) appendPlaceLine(block, p, columns, layout);
  block += '\n';
  out << block;
}

bool answerQuery(const Concordance& c, const std::string& asked) {
  const std::size_t first = asked.find_first_not_of(' ');
  const std::size_t last = asked.find_last_not_of(' ');
  std::string query =
      first == std::string::npos ? std::string() : asked.substr(first, last - first + 1);
  // A query, like a line of the text, ends at a NUL.
  query.resize(std::min(query.size(), query.find('\0')));
  const bool prefix = !query.empty() && query.back() == '*';
  if (prefix) query.pop_back();
  const std::string word = wordOfField(query);

  if (!prefix) {
    const WordEntry* const entry = word.empty() ? nullptr : c.tree.find(word);
    if (entry == nullptr) {
      c.errors << "versefind: " << namedQuery(asked) << ": not in the text\n";
      return false;
    }
    writeBlock(c.lines, c.layout, entry->word, entry->places, entry->placeCount, c.out);
    return true;
  }
  if (word.empty()) {
    c.errors << "versefind: " << namedQuery(asked)
             << ": a star needs a beginning before it (--words lists every word)\n";
    return false;
  }
  // The words with the prefix stand together in word order, from the first
  // key not below the prefix: the walk stops at the first key without it.
  bool found = false;
  c.tree.walkFrom(word, [&](const WordEntry& entry) {
    if (entry.word.compare(0, word.size(), word) != 0) return false;
    writeBlock(c.lines, c.layout, entry.word, entry.places, entry.placeCount, c.out);
    found = true;
    return true;
  });
  if (!found) c.errors << "versefind: " << namedQuery(asked) << ": not in the text\n";
  return found;
}

bool answerWords(const Concordance& c, const std::vector<std::string>& words) {
  bool all = true;
  for (const std::string& asked : words) all = answerQuery(c, asked) && all;
  return all;
}

bool answerLines(const Concordance& c, std::istream& in, const char* prompt) {
  const bool showPrompt = isTerminal(in);
  bool all = true;
  std::vector<char> buffer(MAX_QUERY + 1);
  for (;;) {
    if (showPrompt) c.errors << prompt << std::flush;
    in.getline(buffer.data(), MAX_QUERY + 1);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (in.fail() && !in.eof() && got == MAX_QUERY) {
      // The line did not fit: the rest of it is skipped.
      in.clear();
      in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
      c.errors << "versefind: a query line of more than " << MAX_QUERY << " bytes is not read\n";
      all = false;
      continue;
    }
    if (in.fail()) break;  // the end of the input
    // gcount counts the line feed that ended the line, when one did.
    std::string asked(buffer.data(), in.eof() ? got : got - 1);
    if (!asked.empty() && asked.back() == '\r') asked.pop_back();
    if (asked.find_first_not_of(' ') == std::string::npos) {
      c.errors << "versefind: an empty line asks for no word\n";
      continue;
    }
    all = answerQuery(c, asked) && all;
    c.out << std::flush;
  }
  if (showPrompt) c.errors << std::endl;  // the end of input ends the prompt's line
  return all;
}

void writeVocabulary(const BTree& tree, std::ostream& out) {
  std::string line;
  tree.walkInOrder([&](const WordEntry& entry) {
    if (entry.word.empty()) return true;
    line = shownWord(entry.word);
    line += '\t';
    line += std::to_string(entry.placeCount);
    line += '\n';
    out << line;
    return true;
  });
}

std::string shownWord(const std::string& word) {
  std::string shown;
  shown.reserve(word.size());
  for (const char c : word) {
    if (isControl(static_cast<unsigned char>(c))) {
      appendEscaped(shown, static_cast<unsigned char>(c));
    } else {
      shown += c;
    }
  }
  return shown;
}
