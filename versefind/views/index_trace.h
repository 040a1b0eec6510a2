// The index at work, shown to a person learning how a B-tree grows: the
// insertions of a few words traced event by event, from the tree's own
// observer (word_index.h), written in words, as JSON lines or as a page.
// The tree traced is of either entry, cut by either set of word rules, as
// the index the concordance answers from is.
//
// The events, in the order they happen:
//   insert  an insertion begins: the word and its place (line, word number)
//   split   a full node is split: its middle key, the keys of its lower and
//           upper halves, and whether it was the root (the tree grew)
//   place   the word has its key: a new one, or the key that held it
// Each event carries the tree as the event left it, so that any view can
// draw it.
#ifndef VERSEFIND_INDEX_TRACE_H
#define VERSEFIND_INDEX_TRACE_H

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "index/text_index.h"
#include "index/word_index.h"

// How --trace writes its events: in words, as JSON lines, or as a page.
enum class TraceFormat { text, json, html };

// The most events a trace shows; a longer one is refused before anything
// is written.
constexpr std::size_t MOST_TRACE_EVENTS = 1000;

// The number of words of the text traced when no word is given.
constexpr std::size_t TRACED_TEXT_FIELDS = 60;

// One word to insert, with where it stands.
struct TracedWord {
  std::string word;
  int line = 0;
  int wordNumber = 0;
};

// The words a query argument asks for, cleaned by `rules` as the text's
// words are: under the sonnets' rules the argument is one field, and its
// one word (empty when it cleans to nothing); under the text rules, every
// word the argument holds, none for marks alone.
std::vector<std::string> askedWords(const WordRules& rules, const std::string& argument);

// The words given as arguments, as if they were one line of a text, cleaned
// by `rules` (askedWords) and numbered as the rules number a line's words:
// under the sonnets' rules the k-th argument is field k of line 1; under the
// text rules each word takes the next number, and marks alone take none.
// An argument that gives no word (or only the empty word) is named on
// `errors` and left out; under the sonnets' rules it keeps its number. Returns
// the words kept; `dropped` tells whether one was left out.
std::vector<TracedWord> givenWords(const std::vector<std::string>& arguments,
                                   const WordRules& rules, std::ostream& errors, bool& dropped);

// The first `most` words of a text (line n is lines[n - 1], as the reader
// keeps them), each with its place, cut and cleaned by `rules`. An empty
// word, which only the sonnets' rules make, is kept, as the index keeps it,
// and named on `errors`.
std::vector<TracedWord> firstFields(const TextLines& lines, const WordRules& rules,
                                    std::size_t most, std::ostream& errors);

// A node of the tree as an event left it, in a walk from the root that
// takes each node before its children, the children from the left.
struct NodeShape {
  int depth = 0;
  std::vector<std::string> keys;
};

struct TraceEvent {
  enum class Kind { insert, split, place };
  Kind kind = Kind::insert;
  std::string word;  // insert and place: the word; split: the middle key
  int line = 0;      // insert
  int wordNumber = 0;
  std::vector<std::string> left;   // split: the lower half's keys
  std::vector<std::string> right;  // split: the upper half's keys
  bool grew = false;               // split: the root was split, the tree grows
  bool isNew = false;              // place: the word's key is new
  int places = 0;                  // place: the places the word's key holds now
  bool full = false;               // place: the key keeps no more places than these
  std::vector<NodeShape> tree;     // the tree after the event
  int node = 0;  // the node the event touched (place: the word's; split: the parent), in `tree`
  int key = 0;   // the key it touched in that node (place: the word's; split: the middle key), from 1
};

// Inserts `words` into a tree of entries of type Entry (WordEntry or
// CompactEntry) of order `order` and records every event, or, once there are
// more than MOST_TRACE_EVENTS, only counts them. REQUIRES: order >= 1.
template <typename Entry>
std::vector<TraceEvent> traceInsertions(int order, const std::vector<TracedWord>& words,
                                        std::size_t& eventCount);

// An event in words, as the trace writes it: "insert ape (word 1 of line
// 1)", "split [ape bee cat] -> bee moves up; ...", "ape: a new key in the
// leaf [ape]".
std::string describeEvent(const TraceEvent& event);

// Writes the events in words: one line an event, and after each insertion
// that split a node the tree as an indented outline.
void writeTraceText(const std::vector<TraceEvent>& events, std::ostream& out);

// Writes the events as JSON lines, one object a line.
void writeTraceJson(const std::vector<TraceEvent>& events, std::ostream& out);

// `text` as a JSON string, quotes included: quote, backslash and control
// bytes escaped, UTF-8 sequences as they are, every byte that is not part
// of a valid UTF-8 sequence as \u00XX.
std::string jsonString(const std::string& text);

// The length of the valid UTF-8 sequence that begins at text[at], or 0 when
// none does (an overlong form, a surrogate or a value past U+10FFFF is none),
// as the text rules decode it.
// REQUIRES: at < text.size().
std::size_t utf8Length(const std::string& text, std::size_t at);

// A list of words as a JSON array of strings.
std::string jsonArray(const std::vector<std::string>& words);

// A word as the trace and the explanations show it: the empty word as
// "(empty)", control bytes escaped.
std::string tracedWord(const std::string& word);

// Keys as the trace shows a node: "[ape bee cat]".
std::string bracketed(const std::vector<std::string>& keys);

// The keys of a node, in order.
template <typename Entry>
std::vector<std::string> keysOf(const WordNode<Entry>& x) {
  std::vector<std::string> keys;
  for (int j = 1; j <= x.keyCount; ++j) keys.push_back(x.keys[j].word);
  return keys;
}

#endif  // VERSEFIND_INDEX_TRACE_H
