// versefind's command line: what each argument asks for, read into a
// Request, and the usage text that --help prints. Reading the arguments
// touches nothing else: the driver runs what the Request says.
#ifndef VERSEFIND_ARGUMENTS_H
#define VERSEFIND_ARGUMENTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "views/index_trace.h"
#include "query/place_sort.h"
#include "query/statistics.h"
#include "index/word_index.h"

// The orders accepted: from the smallest that makes a B-tree proper to one
// whose nodes still fit in memory easily.
constexpr int MIN_ORDER = 2;
constexpr int MAX_ORDER = 10000;

// The width of place lines when standard output is no terminal, and the
// widest that may be asked for.
constexpr int DEFAULT_WIDTH = 80;
constexpr int MAX_WIDTH = 100000;

// The most place lines --max may ask for.
constexpr int MAX_SHOWN = 999999999;

inline bool isOrder(int order) { return order >= MIN_ORDER && order <= MAX_ORDER; }

// The order of the query modes when none is given: `versefind love` is
// `versefind 10 love`.
constexpr int DEFAULT_ORDER = 10;

// What a run does: a plain run (the dialogue, or the trials from the
// shell), or one of the concordance's answers.
enum class Mode {
  dialogue,       // no order: the prompt, the trials, the key wait
  trials,         // ORDER alone: the trials without prompt or key wait
  words,          // ORDER WORD...: the words asked, answered
  standardInput,  // ORDER -: the words read from standard input, answered
  vocabulary,     // ORDER --words: every word with its count
  stats,          // ORDER --stats: the tree's figures
  dot,            // ORDER --dot: the tree as Graphviz DOT
  trace,          // ORDER --trace [WORD...]: the insertions, step by step
  explain,        // ORDER --explain WORD...: the searches, node by node
  cost,           // ORDER --cost: the work of building the index, counted
  save,           // ORDER --save INDEX: the index written to a file, nothing else
  collocates,     // [ORDER] --collocates WORD: the words near a word, scored
  clusters,       // [ORDER] --clusters K WORD: the runs of K words that hold a word
  ngrams,         // [ORDER] --ngrams K: every run of K words, counted
  keywords,       // [ORDER] --keywords --reference REF: the words used more than in REF
};

// Whether `mode` is one of the corpus tools.
inline bool isCorpusTool(Mode mode) {
  return mode == Mode::collocates || mode == Mode::clusters || mode == Mode::ngrams ||
         mode == Mode::keywords;
}

// The memory that --ngrams counts in unless --memory gives another, and the
// least it takes.
constexpr std::uint64_t DEFAULT_MEMORY = std::uint64_t{1} << 30;
constexpr std::uint64_t LEAST_MEMORY = std::uint64_t{64} << 10;

enum class ColorChoice { automatic, always, never };

// What the arguments ask for.
struct Request {
  bool help = false;
  bool version = false;
  int order = 0;  // 0: the order is asked for
  bool seeded = false;
  unsigned seed = 0;
  std::string text = TEXT_FILE;    // the first text: the trials' one
  std::vector<std::string> texts;  // every --text, in order; none: text alone
  int width = -1;  // -1: the terminal's, or DEFAULT_WIDTH
  ColorChoice color = ColorChoice::automatic;
  Mode mode = Mode::dialogue;
  bool classic = false;  // the query modes answer from the trials' index
  int most = 0;          // place lines shown per word; 0 for all
  bool traced = false;  // --trace given (the mode, or the form of --explain)
  TraceFormat traceFormat = TraceFormat::text;
  bool count = false;    // WORD... and -: a count line per word or phrase, no blocks
  bool plot = false;     // WORD... and -: a dispersion plot of the queries
  bool byCount = false;  // --words: the most frequent first
  bool sorted = false;   // --sort was given
  PlaceOrder placeOrder = PlaceOrder::place;
  std::vector<std::string> words;
  bool latin1 = false;    // --encoding latin1: the text is ISO-8859-1 or Windows-1252
  std::string savePath;   // --save: the index file to write
  std::string indexPath;  // --index: the index file to answer from, instead of a text
  // The corpus tools.
  std::string toolWord;            // the WORD of --collocates and --clusters
  std::uint32_t span = 0;          // the K of --clusters and --ngrams
  std::uint32_t windowLeft = 5;    // --window L,R
  std::uint32_t windowRight = 5;
  std::uint64_t least = 2;         // --min
  Measure measure = Measure::mi;   // --measure
  std::string reference;           // --reference
  double leastScore = 3.84;        // --min-score
  std::uint64_t memoryBytes = DEFAULT_MEMORY;  // --memory
  std::vector<std::string> toolOptions;        // the options of the tools given, for their checks
};

// Reads the program's arguments (without the program name) into
// `request`. Options may stand anywhere before "--"; of the other arguments
// the first is the order and the rest words. Returns what is wrong with
// them, as one line for a person, or an empty string.
std::string parseArguments(const std::vector<std::string>& arguments, Request& request);

// What --help prints.
extern const char* const USAGE_TEXT;

#endif  // VERSEFIND_ARGUMENTS_H
