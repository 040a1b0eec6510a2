#include "views/index_trace.h"

#include <algorithm>
#include <utility>

#include "query/concordance.h"
#include "text/sonnet_text.h"
#include "text/text_rules.h"

namespace {

// Whether an entry drops any further place: a classic one at MAX_PLACES; a
// compact one keeps every place.
bool keepsNoMore(const WordEntry& entry) { return entry.placeCount == MAX_PLACES; }
bool keepsNoMore(const CompactEntry& /*entry*/) { return false; }

// Records what the tree tells, with the tree as each event left it, up to
// MOST_TRACE_EVENTS events; past them it only counts.
template <typename Entry>
class TraceRecorder : public WordTreeObserver<Entry> {
 public:
  using Node = WordNode<Entry>;
  explicit TraceRecorder(const WordTree<Entry>& tree) : tree_(tree) {}

  std::vector<TraceEvent> events;
  std::size_t count = 0;

  void insertion(const std::string& word, const typename Entry::Place& /*place*/) override {
    TraceEvent& e = add(TraceEvent::Kind::insert);
    e.word = word;
    e.line = current_.line;
    e.wordNumber = current_.wordNumber;
  }
  void split(const Node& parent, int i, bool grew) override {
    TraceEvent& e = add(TraceEvent::Kind::split);
    e.word = parent.keys[i].word;
    e.left = keysOf(*parent.children[i]);
    e.right = keysOf(*parent.children[i + 1]);
    e.grew = grew;
    touch(e, parent, i);
  }
  void placed(const Node& x, int i, bool isNew) override {
    TraceEvent& e = add(TraceEvent::Kind::place);
    e.word = x.keys[i].word;
    e.isNew = isNew;
    e.places = static_cast<int>(placeCountOf(x.keys[i]));
    e.full = keepsNoMore(x.keys[i]);
    touch(e, x, i);
  }

  // The word the next insertion takes, for its place as numbers.
  void next(const TracedWord& word) { current_ = word; }

 private:
  const WordTree<Entry>& tree_;
  TracedWord current_;
  TraceEvent scratch_;  // takes the events past the limit, which are only counted

  TraceEvent& add(TraceEvent::Kind kind) {
    ++count;
    if (count > MOST_TRACE_EVENTS) {
      scratch_ = TraceEvent();
      return scratch_;
    }
    events.emplace_back();
    events.back().kind = kind;
    return events.back();
  }

  // Draws the tree into the event, and finds the node x in the drawing.
  void touch(TraceEvent& e, const Node& x, int key) {
    if (count > MOST_TRACE_EVENTS) return;
    std::vector<std::pair<const Node*, int>> pending{{tree_.root, 0}};
    while (!pending.empty()) {
      const Node* const n = pending.back().first;
      const int depth = pending.back().second;
      pending.pop_back();
      if (n == &x) {
        e.node = static_cast<int>(e.tree.size());
        e.key = key;
      }
      e.tree.push_back({depth, keysOf(*n)});
      // Children are pushed from the right, so that the leftmost comes next.
      for (int j = n->isLeaf ? 0 : n->keyCount + 1; j >= 1; --j) {
        pending.emplace_back(n->children[j], depth + 1);
      }
    }
  }
};

std::string placeText(int line, int wordNumber) {
  return "word " + std::to_string(wordNumber) + " of line " + std::to_string(line);
}

// The number of levels of a drawn tree.
int heightOf(const std::vector<NodeShape>& tree) {
  int height = 0;
  for (const NodeShape& n : tree) height = std::max(height, n.depth + 1);
  return height;
}

// Writes the tree, each node on a line of its own under its parent,
// indented by its depth.
void writeOutline(const std::vector<NodeShape>& tree, std::ostream& out) {
  out << "  the tree now:\n";
  for (const NodeShape& n : tree) {
    out << std::string(4 + 2 * static_cast<std::size_t>(n.depth), ' ') << bracketed(n.keys)
        << "\n";
  }
}

}  // namespace

std::size_t utf8Length(const std::string& text, std::size_t at) {
  std::size_t length = 0;
  return decodeUtf8(text, at, length) == NOT_A_CHARACTER ? 0 : length;
}

std::vector<std::string> askedWords(const WordRules& rules, const std::string& argument) {
  if (&rules == &classicRules()) return {wordOfField(argument)};
  return queryWords(argument);
}

std::vector<TracedWord> givenWords(const std::vector<std::string>& arguments,
                                   const WordRules& rules, std::ostream& errors, bool& dropped) {
  const bool fields = &rules == &classicRules();
  std::vector<TracedWord> words;
  dropped = false;
  int wordNumber = 0;
  for (const std::string& argument : arguments) {
    std::vector<std::string> asked = askedWords(rules, argument);
    if (fields) ++wordNumber;  // a field keeps its number, word or not
    if (asked.empty() || asked.front().empty()) {
      errors << "versefind: '" << shownWord(argument)
             << "': cleans to nothing, and is not inserted\n";
      dropped = true;
      continue;
    }
    for (std::string& word : asked) {
      if (!fields) ++wordNumber;
      words.push_back({std::move(word), 1, wordNumber});
    }
  }
  return words;
}

std::vector<TracedWord> firstFields(const TextLines& lines, const WordRules& rules,
                                    std::size_t most, std::ostream& errors) {
  std::vector<TracedWord> words;
  for (std::size_t n = 0; n < lines.size() && words.size() < most; ++n) {
    const int line = static_cast<int>(n) + 1;
    int wordNumber = 0;
    rules.cutLine(std::string(lines[n]), [&](const std::string& word, std::size_t, std::size_t) {
      ++wordNumber;
      if (words.size() == most) return;
      if (word.empty()) {
        errors << "versefind: " << placeText(line, wordNumber)
               << " cleans to nothing: the empty word is inserted, as the index does\n";
      }
      words.push_back({word, line, wordNumber});
    });
  }
  return words;
}

template <typename Entry>
std::vector<TraceEvent> traceInsertions(int order, const std::vector<TracedWord>& words,
                                        std::size_t& eventCount) {
  using Place = typename Entry::Place;
  WordTree<Entry> tree(order);
  TraceRecorder<Entry> recorder(tree);
  tree.observer = &recorder;
  for (const TracedWord& w : words) {
    recorder.next(w);
    tree.insert(w.word, placeAt<Place>(static_cast<std::uint32_t>(w.line),
                                       static_cast<std::uint32_t>(w.wordNumber)));
  }
  tree.observer = nullptr;
  eventCount = recorder.count;
  return std::move(recorder.events);
}

template std::vector<TraceEvent> traceInsertions<WordEntry>(int, const std::vector<TracedWord>&,
                                                            std::size_t&);
template std::vector<TraceEvent> traceInsertions<CompactEntry>(int, const std::vector<TracedWord>&,
                                                               std::size_t&);

std::string describeEvent(const TraceEvent& e) {
  const std::string word = tracedWord(e.word);
  switch (e.kind) {
    case TraceEvent::Kind::insert:
      return "insert " + word + " (" + placeText(e.line, e.wordNumber) + ")";
    case TraceEvent::Kind::split: {
      std::vector<std::string> full = e.left;
      full.push_back(e.word);
      full.insert(full.end(), e.right.begin(), e.right.end());
      const std::string text = "split " + bracketed(full) + " -> " + word + " moves up";
      if (e.grew) return text + "; the tree grows to height " + std::to_string(heightOf(e.tree));
      return text + " into its parent, now " +
             bracketed(e.tree[static_cast<std::size_t>(e.node)].keys);
    }
    case TraceEvent::Kind::place: {
      const std::string node = bracketed(e.tree[static_cast<std::size_t>(e.node)].keys);
      if (e.isNew) return word + ": a new key in the leaf " + node;
      return word + ": already a key, in " + node + "; it holds " + std::to_string(e.places) +
             (e.places == 1 ? " place" : " places") +
             (e.full ? " (the most it keeps)" : "");
    }
  }
  return "";
}

void writeTraceText(const std::vector<TraceEvent>& events, std::ostream& out) {
  bool splitSeen = false;  // by the insertion under way
  for (const TraceEvent& e : events) {
    if (e.kind == TraceEvent::Kind::insert) {
      out << describeEvent(e) << "\n";
      splitSeen = false;
      continue;
    }
    out << "  " << describeEvent(e) << "\n";
    if (e.kind == TraceEvent::Kind::split) splitSeen = true;
    if (e.kind == TraceEvent::Kind::place && splitSeen) writeOutline(e.tree, out);
  }
}

void writeTraceJson(const std::vector<TraceEvent>& events, std::ostream& out) {
  for (const TraceEvent& e : events) {
    switch (e.kind) {
      case TraceEvent::Kind::insert:
        out << "{\"event\":\"insert\",\"word\":" << jsonString(e.word) << ",\"line\":" << e.line
            << ",\"wordno\":" << e.wordNumber << "}\n";
        break;
      case TraceEvent::Kind::split:
        out << "{\"event\":\"split\",\"median\":" << jsonString(e.word)
            << ",\"left\":" << jsonArray(e.left) << ",\"right\":" << jsonArray(e.right)
            << ",\"root\":" << (e.grew ? "true" : "false") << "}\n";
        break;
      case TraceEvent::Kind::place:
        out << "{\"event\":\"place\",\"word\":" << jsonString(e.word)
            << ",\"new\":" << (e.isNew ? "true" : "false") << "}\n";
        break;
    }
  }
}

std::string jsonString(const std::string& text) {
  static const char* const HEX = "0123456789abcdef";
  std::string json = "\"";
  const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t at = 0; at < text.size();) {
    const unsigned char c = bytes[at];
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c >= 0x20 && c < 0x7F) {
      json += static_cast<char>(c);
    } else if (const std::size_t length = c >= 0x80 ? utf8Length(text, at) : 0;
               length > 0) {
      json.append(text, at, length);
      at += length;
      continue;
    } else {
      // A control byte, or a byte of no valid sequence: as the character of
      // that number.
      json += "\\u00";
      json += HEX[c >> 4];
      json += HEX[c & 0xF];
    }
    ++at;
  }
  return json + "\"";
}

std::string jsonArray(const std::vector<std::string>& words) {
  std::string json = "[";
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (k > 0) json += ',';
    json += jsonString(words[k]);
  }
  return json + "]";
}

std::string tracedWord(const std::string& word) {
  return word.empty() ? "(empty)" : shownWord(word);
}

std::string bracketed(const std::vector<std::string>& keys) {
  std::string text = "[";
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k > 0) text += ' ';
    text += tracedWord(keys[k]);
  }
  return text + "]";
}
