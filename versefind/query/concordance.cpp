// Answering a query from the index: cleaning it, finding the word, the
// words a pattern matches or a phrase, and laying out each place in its
// line.
#include "query/concordance.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/console.h"
#include "query/phrase_search.h"
#include "query/word_pattern.h"
#include "text/sonnet_text.h"
#include "index/text_index.h"

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

// Appends the bytes [begin, end) as they are shown in a place line.
void appendShown(std::string& out, const char* begin, const char* end) {
  for (const char* p = begin; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\t') {
      out += ' ';
    } else if (isControl(c)) {
      appendHexEscape(out, c);
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

// The columns of [begin, end) when they are at most `most`, else most + 1:
// a line is measured only as far as a place line can show it.
int columnsUpTo(const char* begin, const char* end, int most) {
  return headEnd(begin, end, most) == end ? columnsOf(begin, end) : most + 1;
}
int columnsBackTo(const char* begin, const char* end, int most) {
  return tailStart(begin, end, most) == begin ? columnsOf(begin, end) : most + 1;
}

// One place of a word, found in its line, which it points into.
struct PlaceLine {
  std::string location;  // "LINE:WORDNO", or "FILE:LINE:WORDNO" (locationOf)
  int locationColumns;
  const char* begin;     // the line
  const char* field;     // the found field, up to fieldEnd
  const char* fieldEnd;
  const char* end;
  // The columns of the left context, the field and the right context; past
  // the limit a block's layout can use, only that they are more.
  int leftColumns;
  int fieldColumns;
  int rightColumns;
};

// Where `place` stands, as a place line names it: "LINE:WORDNO", or in a
// corpus of several files "FILE:LINE:WORDNO", the line counted in its file.
std::string locationOf(const TextLines& lines, WordPlace place) {
  std::string location;
  std::uint32_t line = place.line;
  if (lines.fileCount() > 1) {
    const std::uint32_t file = lines.fileOfLine(line);
    line -= lines.linesBeforeFile(file);
    location = shownWord(lines.fileName(file)) + ":";
  }
  return location + std::to_string(line) + ":" + std::to_string(place.wordNumber);
}

// Finds places in their lines by the word rules, which tell where each word
// stands. A place is sought from the one found before, when it follows it
// on the same line, or from the nearest mark the walks left on its line, one
// every MARK_WORDS words of a long line: places in text order, as most
// blocks list them, cost one walk of each line whatever their number, and
// places in any other order (a sorted block) a few words each, not their
// line's length.
class PlaceFinder {
 public:
  // Measures each place line up to `most` columns, 0 for no limit.
  PlaceFinder(const TextLines& lines, const WordRules& rules, std::uint32_t span, int most)
      : lines_(lines), rules_(rules), span_(span), most_(most) {}

  // Word place.wordNumber of line place.line, and the span_ words from it
  // that stand on that line; a place past the line's last word (none is
  // kept) stands at its end.
  PlaceLine find(WordPlace place) {
    const std::string_view text =
        place.line <= lines_.size() ? lines_[place.line - 1] : std::string_view();
    seek(place);
    bool more = true;
    while (more && number_ < place.wordNumber) more = step(text);
    std::size_t begin = text.size();
    std::size_t end = begin;
    std::size_t at = at_;
    if (number_ == place.wordNumber && rules_.nextWord(text, at, begin, end)) {
      std::size_t wordBegin = 0;
      std::size_t wordEnd = 0;
      for (std::uint32_t k = 1; k < span_ && rules_.nextWord(text, at, wordBegin, wordEnd); ++k) {
        end = wordEnd;
      }
    }
    PlaceLine p{};
    p.location = locationOf(lines_, place);
    p.locationColumns = columnsOf(p.location.data(), p.location.data() + p.location.size());
    p.begin = text.data();
    p.end = text.data() + text.size();
    p.field = p.begin + begin;
    p.fieldEnd = p.begin + end;
    p.leftColumns = most_ == 0 ? columnsOf(p.begin, p.field) : columnsBackTo(p.begin, p.field, most_);
    p.fieldColumns =
        most_ == 0 ? columnsOf(p.field, p.fieldEnd) : columnsUpTo(p.field, p.fieldEnd, most_);
    p.rightColumns = most_ == 0 ? columnsOf(p.fieldEnd, p.end) : columnsUpTo(p.fieldEnd, p.end, most_);
    return p;
  }

 private:
  static constexpr std::uint32_t MARK_WORDS = 64;

  // Puts the walk on place.line, before its word: where it stands when that
  // is, or at the last mark not past the word when that is nearer, else at
  // the line's start.
  void seek(WordPlace place) {
    if (place.line != line_ || place.wordNumber < number_) {
      line_ = place.line;
      number_ = 1;
      at_ = 0;
    }
    const auto found = marks_.find(line_);
    if (found == marks_.end()) return;
    const std::size_t k =
        std::min<std::size_t>(found->second.size() - 1, (place.wordNumber - 1) / MARK_WORDS);
    const auto marked = static_cast<std::uint32_t>(k) * MARK_WORDS + 1;
    if (marked > number_) {
      number_ = marked;
      at_ = found->second[k];
    }
  }

  // Walks past word number_, leaving a mark where the walk stands before
  // words 1, MARK_WORDS + 1, 2 * MARK_WORDS + 1, ... of a line that has
  // more than MARK_WORDS words. Returns false at the line's end.
  bool step(std::string_view text) {
    std::size_t wordBegin = 0;
    std::size_t wordEnd = 0;
    if (!rules_.nextWord(text, at_, wordBegin, wordEnd)) return false;
    ++number_;
    if ((number_ - 1) % MARK_WORDS == 0) {
      std::vector<std::size_t>& marks = marks_[line_];
      if (marks.empty()) marks.push_back(0);
      if (marks.size() == (number_ - 1) / MARK_WORDS) marks.push_back(at_);
    }
    return true;
  }

  const TextLines& lines_;
  const WordRules& rules_;
  std::uint32_t span_;
  int most_;
  std::uint32_t line_ = 0;    // the line walked, 0 before the first
  std::uint32_t number_ = 1;  // the word the walk finds next
  std::size_t at_ = 0;        // where the walk goes on
  // Of each long line walked: mark k is where word k * MARK_WORDS + 1 is sought.
  std::unordered_map<std::uint32_t, std::vector<std::size_t>> marks_;
};

// Where the parts of a block's place lines stand: the widest location, the
// columns that it and its two blanks leave for the text (when a width is
// set), and the columns of the left context, which put every found field at
// one column.
struct BlockColumns {
  std::size_t location = 0;
  int text = 0;
  int left = 0;
};

// Measured as far as `width` and the mark of a cut reach: a context or a
// field wider than that is cut, or leaves no room, however much wider it is.
int measuredColumns(int width) { return width == 0 ? 0 : std::max(width, CUT_WIDTH); }

BlockColumns blockColumns(PlaceFinder& finder, const std::vector<WordPlace>& places,
                          std::size_t shownCount, int width) {
  BlockColumns columns;
  int leftMost = 0;
  int fieldMost = 0;
  int rightMost = 0;
  for (std::size_t k = 0; k < shownCount; ++k) {
    const PlaceLine p = finder.find(places[k]);
    columns.location = std::max(columns.location, static_cast<std::size_t>(p.locationColumns));
    leftMost = std::max(leftMost, p.leftColumns);
    fieldMost = std::max(fieldMost, p.fieldColumns);
    rightMost = std::max(rightMost, p.rightColumns);
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
  block.append(columns.location - static_cast<std::size_t>(p.locationColumns) + 2, ' ');
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
  if (layout.width == 0 || p.rightColumns <= rightWidth) {
    appendShown(block, p.fieldEnd, p.end);
  } else {
    appendShown(block, p.fieldEnd, headEnd(p.fieldEnd, p.end, rightWidth - CUT_WIDTH));
    block += CUT;
  }
  block += '\n';
}

}  // namespace

std::string namedQuery(const std::string& asked) {
  if (asked.find_first_not_of(' ') == std::string::npos) return "'" + asked + "'";
  const char* const begin = asked.data();
  const char* const end = headEnd(begin, begin + asked.size(), MAX_NAMED);
  const std::string named = shownWord(std::string(begin, end));
  return end == begin + asked.size() ? named : named + CUT;
}

void writeBlock(const TextLines& lines, const WordRules& rules, const Layout& layout,
                const std::string& word, const std::vector<WordPlace>& places, bool cut,
                std::ostream& out, std::uint32_t span) {
  const std::size_t count = places.size();
  const std::size_t most = layout.most > 0 ? static_cast<std::size_t>(layout.most) : count;
  const std::size_t shownCount = std::min(count, most);
  std::string block = shownWord(word);
  block += ": " + std::to_string(count) + (count == 1 ? " place" : " places");
  if (shownCount < count && cut) {
    block += " (first " + std::to_string(shownCount) + " shown; a word keeps only its first " +
             std::to_string(MAX_PLACES) + " places)";
  } else if (shownCount < count) {
    block += " (first " + std::to_string(shownCount) + " shown)";
  } else if (cut) {
    block += " (a word keeps only its first " + std::to_string(MAX_PLACES) + " places)";
  }
  block += '\n';

  out << block;
  // Two walks over the places: the first measures them for the block's
  // columns, the second writes each line as it is made, so that a block
  // costs the memory of one place line, however many it has.
  PlaceFinder finder(lines, rules, span, measuredColumns(layout.width));
  const BlockColumns columns = blockColumns(finder, places, shownCount, layout.width);
  for (std::size_t k = 0; k < shownCount; ++k) {
    block.clear();
    appendPlaceLine(block, finder.find(places[k]), columns, layout);
    out << block;
  }
  out << '\n';
}

namespace {

// What a query found: a word with its places, or a phrase of `span` words
// with the places of its first word. The places are a cursor's own list,
// valid while it stays on the word, or made for the answer and held in
// `made`.
struct Found {
  std::string name;
  const std::vector<WordPlace>* places = nullptr;
  std::vector<WordPlace> made;
  std::uint32_t span = 1;
  bool cut = false;  // a word's list, or one of a phrase's, kept only its first MAX_PLACES

  const std::vector<WordPlace>& list() const { return places != nullptr ? *places : made; }
};

Found foundAt(const WordCursor& cursor) {
  Found found;
  found.name = cursor.key();
  found.places = &cursor.places();
  found.cut = cursor.placesCut();
  return found;
}

// Moves `cursor` to `word` and returns whether the index holds it.
bool seekWord(WordCursor& cursor, const std::string& word) {
  cursor.seek(word);
  return cursor.valid() && cursor.key() == word;
}

// The words of a query as the rules cut a line of the text; the empty words
// that the sonnets' rules make of marks alone are dropped at either end.
std::vector<std::string> queryWords(const WordRules& rules, const std::string& query) {
  std::vector<std::string> words;
  rules.cutLine(query, [&](const std::string& word, std::size_t, std::size_t) {
    if (!word.empty() || !words.empty()) words.push_back(word);
  });
  while (!words.empty() && words.back().empty()) words.pop_back();
  return words;
}

// How the index is walked for a pattern: the words that begin with its
// literal beginning stand together in word order, from the first not below
// it; the rest of the pattern is matched against the rest of each.
struct PatternWalk {
  std::string beginning;
  std::string rest;
};

PatternWalk walkOf(const std::string& pattern) {
  const std::string_view beginning = literalPrefix(pattern);
  return {std::string(beginning), pattern.substr(beginning.size())};
}

// Moves `cursor` to each word that `walk` matches, in word order, and calls
// `each`, which returns whether to go on.
template <typename Each>
void walkMatches(WordCursor& cursor, const PatternWalk& walk, Each each) {
  const std::size_t length = walk.beginning.size();
  for (cursor.seek(walk.beginning); cursor.valid() && cursor.key().compare(0, length, walk.beginning) == 0;
       cursor.next()) {
    if (matchesPattern(walk.rest, std::string_view(cursor.key()).substr(length)) && !each()) return;
  }
}

// Finds the phrase of `words` (two or more) and returns ""; `found` then has
// no place when the words never stand one after another. A word that is a
// pattern, when `wildcards`, stands for every word it matches: its list is
// theirs merged, in text order. Returns why the phrase is not looked up
// otherwise: the first word or pattern not in the text, or patterns that
// match more than MAX_PATTERN_PLACES places. Each plain word is read by a
// cursor of its own, so that every list is held at once without a copy.
std::string findPhrase(const Concordance& c, const std::vector<std::string>& words, bool wildcards,
                       Found& found) {
  std::vector<std::unique_ptr<WordCursor>> cursors;
  std::vector<std::vector<WordPlace>> merged;
  merged.reserve(words.size());  // the lists stay where they are made
  std::vector<const std::vector<WordPlace>*> lists;
  std::size_t gathered = 0;
  for (const std::string& word : words) {
    cursors.push_back(c.index.newCursor());
    WordCursor& cursor = *cursors.back();
    if (!wildcards || !isPattern(word)) {
      if (!seekWord(cursor, word)) return shownWord(word) + " is not in the text";
      lists.push_back(&cursor.places());
      found.cut = found.cut || cursor.placesCut();
      continue;
    }
    std::vector<WordPlace>& places = merged.emplace_back();
    walkMatches(cursor, walkOf(word), [&] {
      gathered += cursor.places().size();
      if (gathered > MAX_PATTERN_PLACES) return false;
      places.insert(places.end(), cursor.places().begin(), cursor.places().end());
      found.cut = found.cut || cursor.placesCut();
      return true;
    });
    if (gathered > MAX_PATTERN_PLACES) {
      return "its patterns match more than " + std::to_string(MAX_PATTERN_PLACES) +
             " places, more than a phrase gathers";
    }
    if (places.empty()) return shownWord(word) + " is not in the text";
    std::sort(places.begin(), places.end());
    lists.push_back(&places);
    cursors.pop_back();
  }
  found.made = findPhrase(lists, c.lines.positions());
  found.span = static_cast<std::uint32_t>(words.size());
  return "";
}

// The cut lines of the text, by the concordance's rules, for the sorts.
LineWords lineWordsOf(const Concordance& c) {
  return LineWords([&c](std::uint32_t line, std::vector<std::string>& words) {
    const std::string text(c.lines[line - 1]);
    c.rules.cutLine(text, [&](const std::string& word, std::size_t, std::size_t) {
      words.push_back(word);
    });
  });
}

// The answer to one query in the concordance's form, written as each word
// found is added: its block, or its count line, which all come out at the
// end; a plot row, of the whole query, is made at the end from the places
// of every word added.
class Answer {
 public:
  Answer(const Concordance& c, std::string rowName) : c_(c), rowName_(std::move(rowName)) {}
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;

  void add(const Found& f) {
    if (c_.form == AnswerForm::plot) {
      for (const WordPlace place : f.list()) row_.push_back(c_.lines.positions().positionOf(place));
    } else if (c_.form == AnswerForm::counts) {
      counts_ += shownWord(f.name) + "\t" + std::to_string(f.list().size()) + "\n";
    } else if (c_.order == PlaceOrder::place) {
      writeBlock(c_.lines, c_.rules, c_.layout, f.name, f.list(), f.cut, c_.out, f.span);
    } else {
      if (words_ == nullptr) words_ = std::make_unique<LineWords>(lineWordsOf(c_));
      std::vector<WordPlace> sorted = f.list();
      sortPlaces(sorted, f.span, c_.order, c_.lines.positions(), *words_);
      writeBlock(c_.lines, c_.rules, c_.layout, f.name, sorted, f.cut, c_.out, f.span);
    }
  }

  void finish() {
    if (c_.form == AnswerForm::plot) {
      assert(c_.rows != nullptr);
      std::sort(row_.begin(), row_.end());
      c_.rows->push_back(PlotRow{rowName_, std::move(row_)});
      return;
    }
    c_.out << counts_;
  }

 private:
  const Concordance& c_;
  std::string rowName_;
  std::vector<std::uint64_t> row_;
  std::string counts_;
  std::unique_ptr<LineWords> words_;
};

// Says that the query `named` found nothing; a count or a plot still says
// so on standard output, with 0.
bool foundNothing(const Concordance& c, const std::string& asked, const std::string& name,
                  const std::string& why) {
  c.errors << "versefind: " << namedQuery(asked) << ": " << why << "\n";
  if (c.form == AnswerForm::counts) c.out << shownWord(name) << "\t0\n";
  if (c.form == AnswerForm::plot) Answer(c, name).finish();
  return false;
}

std::string joined(const std::vector<std::string>& words) {
  std::string phrase;
  for (const std::string& word : words) phrase += (phrase.empty() ? "" : " ") + word;
  return phrase;
}

}  // namespace

bool answerQuery(const Concordance& c, const std::string& asked) {
  const std::size_t first = asked.find_first_not_of(' ');
  const std::size_t last = asked.find_last_not_of(' ');
  std::string query =
      first == std::string::npos ? std::string() : asked.substr(first, last - first + 1);
  // Under the sonnets' rules a query, like a line of the text, ends at a
  // NUL; the text rules take a NUL for a separator, as they do in the text.
  if (&c.rules == &classicRules()) query.resize(std::min(query.size(), query.find('\0')));
  // The text rules keep a query's wildcards in its words; the sonnets' rules
  // know only a star at the end, after a prefix.
  std::vector<std::string> words;
  const bool wildcards = c.rules.cutPatterns(query, words);
  const bool prefix = !wildcards && !query.empty() && query.back() == '*';
  if (!wildcards) {
    if (prefix) query.pop_back();
    words = queryWords(c.rules, query);
  }

  if ((words.empty() && prefix) || (wildcards && words == std::vector<std::string>{"*"})) {
    c.errors << "versefind: " << namedQuery(asked)
             << ": a star needs a beginning before it (--words lists every word)\n";
    return false;
  }
  if (words.empty()) {
    // Nothing at all is named in quotes (namedQuery) and is not in the
    // text; marks alone are a query of no word.
    c.errors << "versefind: " << namedQuery(asked)
             << (query.empty() ? ": not in the text\n" : ": asks for no word\n");
    return false;
  }
  for (const std::string& word : words) {
    if (wildcards && matchesAlmostAll(word)) {
      c.errors << "versefind: " << namedQuery(asked) << ": " << shownWord(word)
               << " has no letter or digit beside its star (--words lists every word)\n";
      return false;
    }
  }
  const std::string name = joined(words) + (prefix ? "*" : "");
  if (words.size() > 1) {
    if (prefix) {
      c.errors << "versefind: " << namedQuery(asked) << ": a star follows one word, not a phrase\n";
      return false;
    }
    if (words.size() > static_cast<std::size_t>(MAX_PHRASE_WORDS)) {
      c.errors << "versefind: " << namedQuery(asked) << ": a phrase of more than "
               << MAX_PHRASE_WORDS << " words is not looked up\n";
      return false;
    }
    Found phrase;
    phrase.name = name;
    const std::string why = findPhrase(c, words, wildcards, phrase);
    if (!why.empty()) return foundNothing(c, asked, name, why);
    if (phrase.made.empty()) return foundNothing(c, asked, name, "not in the text");
    Answer answer(c, name);
    answer.add(phrase);
    answer.finish();
    return true;
  }
  const std::string& word = words.front();
  const std::unique_ptr<WordCursor> cursor = c.index.newCursor();
  if (!prefix && !(wildcards && isPattern(word))) {
    if (!seekWord(*cursor, word)) return foundNothing(c, asked, name, "not in the text");
    Answer answer(c, name);
    answer.add(foundAt(*cursor));
    answer.finish();
    return true;
  }
  // A prefix is a pattern with one star, at the end, whatever the word
  // before it holds.
  std::optional<Answer> answer;
  walkMatches(*cursor, prefix ? PatternWalk{word, "*"} : walkOf(word), [&] {
    if (!answer) answer.emplace(c, name);
    answer->add(foundAt(*cursor));
    return true;
  });
  if (!answer) return foundNothing(c, asked, name, "not in the text");
  answer->finish();
  return true;
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
      // The line did not fit. Skipping the rest of it could read forever
      // (a line that never ends, as from /dev/zero): the run ends here.
      c.errors << "versefind: a query line is longer than " << MAX_QUERY
               << " bytes; the rest of the input is not read\n";
      all = false;
      break;
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

void writeVocabulary(const WordReader& index, std::ostream& out, bool byCount) {
  const std::unique_ptr<WordCursor> cursor = index.newCursor();
  std::vector<std::pair<std::string, std::size_t>> counted;  // kept only to sort by count
  std::string lines;
  const auto write = [&lines, &out](const std::string& word, std::size_t count) {
    lines += shownWord(word);
    lines += '\t';
    lines += std::to_string(count);
    lines += '\n';
    if (lines.size() > 65536) {
      out << lines;
      lines.clear();
    }
  };
  for (cursor->seek(""); cursor->valid(); cursor->next()) {
    if (cursor->key().empty()) continue;
    if (byCount) {
      counted.emplace_back(cursor->key(), cursor->places().size());
    } else {
      write(cursor->key(), cursor->places().size());
    }
  }
  // Stable: words of one count stay in word order, as the cursor gave them.
  std::stable_sort(counted.begin(), counted.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& [word, count] : counted) write(word, count);
  out << lines;
}

std::string shownWord(const std::string& word, bool keepTabs) {
  std::string shown;
  shown.reserve(word.size());
  for (const char c : word) {
    if (isControl(static_cast<unsigned char>(c)) && !(keepTabs && c == '\t')) {
      appendHexEscape(shown, static_cast<unsigned char>(c));
    } else {
      shown += c;
    }
  }
  return shown;
}
