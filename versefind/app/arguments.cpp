#include "app/arguments.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>

#include "index/text_index.h"
#include "query/ngrams.h"

const char* const USAGE_TEXT =
    "Usage: versefind [OPTION]... [ORDER [WORD... | - | --words | --stats |\n"
    "                                     --dot | --cost]]\n"
    "       versefind [OPTION]... ORDER --trace[=FORMAT] [WORD...]\n"
    "       versefind [OPTION]... ORDER --explain WORD...\n"
    "       versefind [--text FILE]... [--memory SIZE] ORDER --save INDEX\n"
    "       versefind [OPTION]... --index INDEX [WORD... | - | --words | --stats |\n"
    "                                           --dot]\n"
    "       versefind --index INDEX --explain WORD...\n"
    "       versefind [OPTION]... [ORDER | --index INDEX] TOOL\n"
    "       versefind -h | --help | --version\n"
    "\n"
    "Indexes every word of sonnets.txt, in the working folder, in a B-tree of\n"
    "order ORDER (a whole number from 2 to 10000), writes the cleaned text to\n"
    "output.txt, then looks up the words standing at 29 random places and\n"
    "prints each word with every place where it stands, as (word,line), and\n"
    "the total time of the look-ups.\n"
    "\n"
    "Without ORDER it asks for the order (a line of at most 4096 characters),\n"
    "and waits for a key at the end.\n"
    "\n"
    "After ORDER, the index answers as a concordance, writes nothing to disk\n"
    "and does not wait; before WORD..., - and --words ORDER may be left out,\n"
    "and is then 10 (a first word that is a number goes after --):\n"
    "  WORD...     every place of each word, LINE:WORDNO, each shown in its\n"
    "              line. A word is a run of letters, digits and marks of any\n"
    "              script, an apostrophe or hyphen inside it included, in\n"
    "              lower case; a word asked is cleaned as the text is (Love,\n"
    "              asks for love); in a word (quoted) * stands for any run of\n"
    "              characters and ? for one ('lov*', '*ing', 'lic?nse' ask for\n"
    "              every word they match); a quoted argument of several words\n"
    "              ('thy beauty', 'my lov*') is a phrase: the places where\n"
    "              they stand one after another\n"
    "  -           the words read from standard input, one a line, each\n"
    "              answered as soon as it is read\n"
    "  --words     every word in word order, with the number of its places\n"
    "              (--by-count: the most frequent first)\n"
    "  --stats     the tree's figures: height, nodes, keys, fill, memory\n"
    "  --dot       the tree drawn as Graphviz DOT\n"
    "  --cost      the work of building the index, as NAME<TAB>VALUE:\n"
    "              keys, nodes, height, height_bound, splits, entry_moves,\n"
    "              word_comparisons (each defined in the manual)\n"
    "\n"
    "Watching the B-tree work: the concordance's index and word rules:\n"
    "  --trace[=FORMAT]  insert the WORDs given, cleaned as the text's words,\n"
    "              as one line of a text (its k-th word at word k of line 1),\n"
    "              or without WORDs the first 60 words of the text at their\n"
    "              places, and show every step: FORMAT text (the default: a\n"
    "              line a step, and the tree after each insertion that split\n"
    "              a node), json (a JSON object a line) or html (a page that\n"
    "              plays the steps in a browser, offline); at most 1000 steps\n"
    "  --explain WORD...  index the whole text, then show the search of each\n"
    "              word of each WORD: the nodes read from the root down\n"
    "              (numbered level by level, as --dot does), the comparisons\n"
    "              in each, where it ended; with --trace=json as JSON lines\n"
    "\n"
    "The corpus tools (TOOL), over the text indexed in memory or from --index\n"
    "INDEX, alike; a position counts words across line ends, never from one\n"
    "file into the next. Each writes TSV lines, the most first:\n"
    "  --collocates WORD  every word within the window of a place of WORD, as\n"
    "              COLLOCATE, O, LEFT, RIGHT, f(COLLOCATE), SCORE; --window L,R\n"
    "              (5,5: 0 to 100 words before and after), --min N (2: the\n"
    "              least O), --measure mi, t or ll (mi)\n"
    "  --clusters K WORD  every run of K words (1 to 8) that holds WORD, with\n"
    "              its count; --min N (2)\n"
    "  --ngrams K  every run of K words (1 to 8), with its count; --min N (2),\n"
    "              --memory SIZE (1G: a number of bytes, or with K, M or G):\n"
    "              counts beyond it go to temporary files in the working folder\n"
    "  --keywords --reference REF  the words used more than in REF (a text, a\n"
    "              folder or an index file), with both counts and their\n"
    "              log-likelihood; --min-score X (3.84: the least one)\n"
    "  --plot      with --collocates or --keywords: a bar chart of the first\n"
    "              20 lines, as SVG\n"
    "\n"
    "An index kept in a file, built once and asked many times:\n"
    "  --save INDEX  index the text by the rules of WORD... and write the index\n"
    "              to the file INDEX (nothing else); a summary goes to standard\n"
    "              error\n"
    "  --memory SIZE  with --save: hold at most about SIZE (K, M or G; by\n"
    "              default 1G) of words and places in memory, writing the rest\n"
    "              in sorted runs beside INDEX that are merged at the end\n"
    "  --index INDEX  answer WORD..., - or --words from the file INDEX, as from\n"
    "              the text it was built from, without indexing it again, or\n"
    "              give its figures with --stats, its pages and bytes too, or\n"
    "              the pages each search reads with --explain; no\n"
    "              ORDER (the index keeps its own); place lines are read from\n"
    "              the text, which must not have changed since\n"
    "\n"
    "  --text FILE     index FILE instead of sonnets.txt, in every mode (-:\n"
    "                  standard input, read once, in the modes that answer); the\n"
    "                  trials take only a file that is not output.txt, since\n"
    "                  they write output.txt and read FILE again for each look-up.\n"
    "                  Outside the trials --text may be repeated, and a folder\n"
    "                  stands for every file under it (hidden ones aside, in\n"
    "                  byte order of their paths): the files are one corpus,\n"
    "                  each place line is FILE:LINE:WORDNO, and no phrase or\n"
    "                  context runs on from one file into the next\n"
    "  --width N       cut place lines to N columns, 0 for never (by default\n"
    "                  the terminal's width, or 80 when output is no terminal)\n"
    "  --max N         show at most N places of each word (N from 1); the\n"
    "                  header still counts them all\n"
    "  --sort=BY       order each word's place lines by place (the default),\n"
    "                  right (the words after it) or left (the words before\n"
    "                  it, the nearest first)\n"
    "  --count         for WORD... or -: only a WORD<TAB>N line for each word\n"
    "                  or phrase found (0 for none), no place lines\n"
    "  --plot          for WORD... or -: an SVG picture on standard output, a\n"
    "                  row for each query with a mark at each of its places\n"
    "                  along the text\n"
    "  --encoding ENC  read the text as ENC: utf-8 (the default; bytes that are\n"
    "                  not UTF-8 are counted on standard error) or latin1\n"
    "                  (ISO-8859-1 or Windows-1252)\n"
    "  --classic       answer, list, draw, trace, explain and count by the\n"
    "                  trials' index: a word is what the trials take for one,\n"
    "                  numbered as they number it, and keeps at most its first\n"
    "                  50 places\n"
    "  --color[=WHEN]  show the found word in colour: auto (on a terminal, with\n"
    "                  NO_COLOR not set and TERM not dumb), always (--color\n"
    "                  alone), or never\n"
    "  --seed N        draw the places with the C library's generator seeded\n"
    "                  with N, a whole number from 0 to 4294967295: the same N\n"
    "                  draws the same places on the same system (by default\n"
    "                  the time of day)\n"
    "  -h, --help      print this text\n"
    "  --version       print the version\n"
    "\n"
    "Options may stand before or after ORDER; after --, every argument is a\n"
    "word. Status: 0 when every word asked was found (or traced), 1 when one\n"
    "was not, the text cannot be read or memory ran out, 2 for arguments that\n"
    "make no run and for a trace of more than 1000 steps.\n";

namespace {

// The seed given as an argument: a whole number in the range of unsigned.
bool parseSeed(const std::string& argument, unsigned& seed) {
  if (argument.empty()) return false;
  unsigned long long value = 0;
  for (const char c : argument) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > std::numeric_limits<unsigned>::max()) return false;
  }
  seed = static_cast<unsigned>(value);
  return true;
}

// A whole number from 0 to `most`, the whole argument.
bool parseCount(const std::string& argument, int most, int& count) {
  if (argument.empty() || argument.size() > 9) return false;
  count = 0;
  for (const char c : argument) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + (c - '0');
  }
  return count <= most;
}

// The order given as the argument: the whole argument is the number.
bool parseOrder(const std::string& argument, int& order) {
  return parseCount(argument, MAX_ORDER, order) && isOrder(order);
}

// Whether `operand` is written as a whole number, signed or not: such an
// operand is meant as an order, right or wrong.
bool looksLikeNumber(const std::string& operand) {
  const std::size_t digits = operand.rfind('-', 0) == 0 || operand.rfind('+', 0) == 0 ? 1 : 0;
  return operand.size() > digits &&
         operand.find_first_not_of("0123456789", digits) == std::string::npos;
}

// An argument that is an option: a dash and more, but not a negative
// number (that is a bad order, or a word).
bool isOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' &&
         std::isdigit(static_cast<unsigned char>(argument[1])) == 0;
}

// A memory size: decimal digits, then K, M or G (KiB, MiB, GiB) or nothing
// (bytes), from LEAST_MEMORY to 1 TiB.
bool parseMemory(const std::string& text, std::uint64_t& bytes) {
  constexpr std::uint64_t MOST = std::uint64_t{1} << 40;
  std::uint64_t value = 0;
  std::size_t k = 0;
  for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k) {
    value = value * 10 + static_cast<std::uint64_t>(text[k] - '0');
    if (value > MOST) return false;
  }
  if (k == 0 || text.size() - k > 1) return false;
  const char unit = k < text.size() ? text[k] : ' ';
  const int shift = unit == 'K' || unit == 'k'   ? 10
                    : unit == 'M' || unit == 'm' ? 20
                    : unit == 'G' || unit == 'g' ? 30
                    : unit == ' '                ? 0
                                                 : -1;
  if (shift < 0 || value > (MOST >> shift)) return false;
  bytes = value << shift;
  return bytes >= LEAST_MEMORY;
}

// The windows of --collocates: "L,R", two whole numbers from 0 to 100, not
// both 0.
bool parseWindow(const std::string& text, std::uint32_t& left, std::uint32_t& right) {
  const std::size_t comma = text.find(',');
  int l = 0;
  int r = 0;
  if (comma == std::string::npos || !parseCount(text.substr(0, comma), 100, l) ||
      !parseCount(text.substr(comma + 1), 100, r) || l + r == 0) {
    return false;
  }
  left = static_cast<std::uint32_t>(l);
  right = static_cast<std::uint32_t>(r);
  return true;
}

// A least score: digits with at most one decimal point among them.
bool parseScore(const std::string& text, double& score) {
  const std::size_t point = text.find('.');
  if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789.") != std::string::npos ||
      text.find_first_of("0123456789") == std::string::npos ||
      (point != std::string::npos && text.find('.', point + 1) != std::string::npos)) {
    return false;
  }
  score = std::strtod(text.c_str(), nullptr);
  return std::isfinite(score);
}

// The option that asks for `mode`.
std::string optionOfMode(Mode mode) {
  switch (mode) {
    case Mode::vocabulary: return "--words";
    case Mode::stats: return "--stats";
    case Mode::dot: return "--dot";
    case Mode::trace: return "--trace";
    case Mode::explain: return "--explain";
    case Mode::collocates: return "--collocates";
    case Mode::clusters: return "--clusters";
    case Mode::ngrams: return "--ngrams";
    case Mode::keywords: return "--keywords";
    default: return "--cost";
  }
}

// Makes `mode` the run's mode; a second mode is refused.
std::string setMode(Request& request, Mode mode) {
  if (request.mode == Mode::dialogue) {
    request.mode = mode;
    return "";
  }
  if (isCorpusTool(mode) || isCorpusTool(request.mode)) {
    return "options '" + optionOfMode(request.mode) + "' and '" + optionOfMode(mode) +
           "' cannot go together";
  }
  return "more than one of --words, --stats, --dot, --explain and --cost";
}

// Reads the option arguments[i] into `request`. An option's value follows
// an "=" in the same argument, or is the next argument. Returns what is
// wrong, or an empty string.
std::string parseOption(const std::vector<std::string>& arguments, std::size_t& i,
                        Request& request) {
  const std::string& argument = arguments[i];
  const std::size_t equals = argument.find('=');
  const std::string name = argument.substr(0, equals);
  const bool hasValue = equals != std::string::npos;
  std::string value = hasValue ? argument.substr(equals + 1) : std::string();
  const bool named = name == "--text" || name == "--save" || name == "--index" || name == "--reference";
  const bool tool = name == "--collocates" || name == "--clusters" || name == "--ngrams" ||
                    name == "--window" || name == "--min" || name == "--measure" ||
                    name == "--min-score" || name == "--memory";
  if ((named || tool || name == "--seed" || name == "--width" || name == "--max" || name == "--sort" ||
       name == "--encoding") &&
      !hasValue) {
    if (i + 1 == arguments.size()) {
      return "option '" + name + "' needs " +
             (named                    ? "a file name"
              : name == "--sort"       ? "place, right or left"
              : name == "--encoding"   ? "latin1 or utf-8"
              : name == "--collocates" ? "a word"
              : name == "--clusters"   ? "a length and a word"
              : name == "--window"     ? "two numbers, as 5,5"
              : name == "--measure"    ? "mi, t or ll"
              : name == "--memory"     ? "a size"
                                       : "a number");
    }
    value = arguments[++i];
  }
  if (name == "--window" || name == "--min" || name == "--measure" || name == "--min-score" ||
      name == "--memory" || name == "--reference") {
    request.toolOptions.push_back(name);
  }
  if (name == "--seed") {
    if (!parseSeed(value, request.seed)) {
      return "not a seed from 0 to " + std::to_string(std::numeric_limits<unsigned>::max()) +
             ": " + value;
    }
    request.seeded = true;
  } else if (name == "--text") {
    if (value.empty()) return "option '--text' needs a file name";
    if (value == STANDARD_INPUT &&
        std::find(request.texts.begin(), request.texts.end(), value) != request.texts.end()) {
      return "'--text -' reads standard input once: give it once";
    }
    request.texts.push_back(value);
    request.text = request.texts.front();
  } else if (name == "--save" || name == "--index") {
    if (value.empty()) return "option '" + name + "' needs a file name";
    if (!request.savePath.empty() || !request.indexPath.empty()) {
      return "one of --save and --index, once";
    }
    (name == "--save" ? request.savePath : request.indexPath) = value;
  } else if (name == "--width") {
    if (!parseCount(value, MAX_WIDTH, request.width)) {
      return "not a width from 0 to " + std::to_string(MAX_WIDTH) + ": " + value;
    }
  } else if (name == "--max") {
    if (!parseCount(value, MAX_SHOWN, request.most) || request.most == 0) {
      return "not a number of places from 1 to " + std::to_string(MAX_SHOWN) + ": " + value;
    }
  } else if (name == "--encoding") {
    if (value != "latin1" && value != "utf-8") return "not latin1 or utf-8: " + value;
    request.latin1 = value == "latin1";
  } else if (argument == "--classic") {
    request.classic = true;
  } else if (argument == "--count" || argument == "--plot") {
    if (request.count || request.plot) return "options '--count' and '--plot' cannot go together";
    (argument == "--count" ? request.count : request.plot) = true;
  } else if (argument == "--by-count") {
    request.byCount = true;
  } else if (name == "--sort") {
    if (value == "place") {
      request.placeOrder = PlaceOrder::place;
    } else if (value == "right") {
      request.placeOrder = PlaceOrder::right;
    } else if (value == "left") {
      request.placeOrder = PlaceOrder::left;
    } else {
      return "not an order of place lines (place, right or left): " + value;
    }
    request.sorted = true;
  } else if (name == "--color") {
    if (!hasValue || value == "always") {
      request.color = ColorChoice::always;
    } else if (value == "never") {
      request.color = ColorChoice::never;
    } else if (value == "auto") {
      request.color = ColorChoice::automatic;
    } else {
      return "not auto, always or never: " + argument;
    }
  } else if (name == "--trace") {
    if (request.traced) return "option '--trace' given twice";
    if (!hasValue || value == "text") {
      request.traceFormat = TraceFormat::text;
    } else if (value == "json") {
      request.traceFormat = TraceFormat::json;
    } else if (value == "html") {
      request.traceFormat = TraceFormat::html;
    } else {
      return "not text, json or html: " + argument;
    }
    request.traced = true;
  } else if (argument == "--words" || argument == "--stats" || argument == "--dot" ||
             argument == "--explain" || argument == "--cost") {
    return setMode(request, argument == "--words"     ? Mode::vocabulary
                            : argument == "--stats"   ? Mode::stats
                            : argument == "--dot"     ? Mode::dot
                            : argument == "--explain" ? Mode::explain
                                                      : Mode::cost);
  } else if (name == "--collocates" || argument == "--keywords") {
    if (name == "--collocates") request.toolWord = value;
    return setMode(request, name == "--collocates" ? Mode::collocates : Mode::keywords);
  } else if (name == "--clusters" || name == "--ngrams") {
    int span = 0;
    if (!parseCount(value, static_cast<int>(MOST_RUN_WORDS), span) || span < 1) {
      return "not a length from 1 to " + std::to_string(MOST_RUN_WORDS) + ": " + value;
    }
    request.span = static_cast<std::uint32_t>(span);
    if (name == "--clusters") {
      if (i + 1 == arguments.size()) return "option '--clusters' needs a word after its length";
      request.toolWord = arguments[++i];
    }
    return setMode(request, name == "--clusters" ? Mode::clusters : Mode::ngrams);
  } else if (name == "--window") {
    if (!parseWindow(value, request.windowLeft, request.windowRight)) {
      return "not a window L,R of two whole numbers from 0 to 100, not both 0: " + value;
    }
  } else if (name == "--min") {
    int least = 0;
    if (!parseCount(value, MAX_SHOWN, least) || least == 0) {
      return "not a least count from 1 to " + std::to_string(MAX_SHOWN) + ": " + value;
    }
    request.least = static_cast<std::uint64_t>(least);
  } else if (name == "--measure") {
    if (value != "mi" && value != "t" && value != "ll") return "not a measure (mi, t or ll): " + value;
    request.measure = value == "mi" ? Measure::mi : value == "t" ? Measure::t : Measure::ll;
  } else if (name == "--reference") {
    if (value.empty()) return "option '--reference' needs a file name";
    request.reference = value;
  } else if (name == "--min-score") {
    if (!parseScore(value, request.leastScore)) return "not a score of 0 or more: " + value;
  } else if (name == "--memory") {
    if (!parseMemory(value, request.memoryBytes)) {
      return "not a memory size of at least 64K (a number of bytes, or with K, M or G): " + value;
    }
  } else {
    return "unknown option: " + argument;
  }
  return "";
}

// What is wrong with the options of the answers, once the mode is known
// (`view` names the option of a mode that is no query): each belongs to
// some modes and means nothing in the others.
std::string misfitOptions(const Request& request, const std::string& view) {
  const bool queries = request.mode == Mode::words || request.mode == Mode::standardInput;
  const char* const form = request.count ? "--count" : request.plot ? "--plot" : nullptr;
  if (form != nullptr && !isCorpusTool(request.mode)) {
    if (request.mode == Mode::dialogue) return std::string("option '") + form + "' needs an order";
    if (request.mode == Mode::trials) return std::string("option '") + form + "' needs a word, or '-'";
    if (!queries) return std::string("options '") + form + "' and '" + view + "' cannot go together";
    if (request.sorted) return std::string("options '") + form + "' and '--sort' cannot go together";
    if (request.most > 0) return std::string("options '") + form + "' and '--max' cannot go together";
  }
  if (request.sorted && !queries) return "option '--sort' orders the place lines of WORD... or '-'";
  if (request.most > 0 && !queries) return "option '--max' limits the place lines of WORD... or '-'";
  if (request.texts.size() > 1 && (request.mode == Mode::dialogue || request.mode == Mode::trials)) {
    return "the trials read one text: give '--text' once";
  }
  const bool piped = std::find(request.texts.begin(), request.texts.end(), STANDARD_INPUT) !=
                     request.texts.end();
  if (piped) {
    if (request.mode == Mode::standardInput) {
      return "'--text -' and '-' cannot both read standard input";
    }
    if (request.mode == Mode::save) return "option '--save' needs a text file, which queries read again";
  }
  if (request.latin1 && (request.classic || request.mode == Mode::dialogue ||
                         request.mode == Mode::trials || request.mode == Mode::save ||
                         !request.indexPath.empty())) {
    return "option '--encoding latin1' goes with the modes that read the text by the text "
           "rules, not with the trials, --classic, --save or --index";
  }
  if (request.byCount && request.mode != Mode::vocabulary) {
    return "option '--by-count' orders the list of --words, and goes with it alone";
  }
  return "";
}

// The operands and modes of a run that answers from an index file: the
// operands are all words (the index keeps the order it was built with),
// and the modes are the query modes and --words.
std::string indexRequest(Request& request, const std::vector<std::string>& operands,
                         bool wordsOnly, bool dashFirst, const std::string& modeOption) {
  if (request.mode != Mode::dialogue && request.mode != Mode::vocabulary && request.mode != Mode::stats &&
      request.mode != Mode::dot && request.mode != Mode::explain) {
    return "option '" + modeOption + "' does not answer from an index; give it --text";
  }
  if (request.classic) return "an index is built by the text rules: '--classic' needs --text";
  if (!request.texts.empty()) {
    return "options '--index' and '--text' cannot go together: an index reads the texts it was built from";
  }
  if (request.seeded) return "options '--index' and '--seed' cannot go together";
  int order = 0;
  if (!operands.empty() && !wordsOnly && parseOrder(operands[0], order)) {
    return "an index keeps the order it was built with: no ORDER beside '--index' (a word "
           "that is a number goes after '--')";
  }
  request.words = operands;
  if (request.mode == Mode::explain) {
    if (request.traced) return "option '--explain' from an index writes text alone";
    if (request.words.empty()) return "option '--explain' needs a word";
  } else if (request.mode == Mode::vocabulary || request.mode == Mode::stats || request.mode == Mode::dot) {
    if (!request.words.empty()) return "option '" + modeOption + "' takes no word: " + request.words[0];
  } else if (dashFirst && !wordsOnly) {
    if (operands.size() != 1) return "'-' reads the words from standard input, and takes no other word";
    request.mode = Mode::standardInput;
  } else if (request.words.empty()) {
    return "option '--index' needs a word, '-' or --words";
  } else {
    request.mode = Mode::words;
  }
  return misfitOptions(request, modeOption);
}

// What is wrong with an option of the corpus tools given to a mode that
// does not take it, or with --keywords without its reference.
std::string misplacedToolOption(const Request& request) {
  const Mode mode = request.mode;
  for (const std::string& option : request.toolOptions) {
    const char* needs = nullptr;
    if (option == "--window" || option == "--measure") {
      if (mode != Mode::collocates) needs = "--collocates";
    } else if (option == "--min") {
      if (mode != Mode::collocates && mode != Mode::clusters && mode != Mode::ngrams) {
        needs = "--collocates, --clusters or --ngrams";
      }
    } else if (option == "--memory") {
      if (mode != Mode::ngrams && request.savePath.empty()) needs = "--save or --ngrams";
    } else if (mode != Mode::keywords) {
      needs = "--keywords";
    }
    if (needs != nullptr) return "option '" + option + "' goes with " + needs;
  }
  if (mode == Mode::keywords && request.reference.empty()) {
    return "option '--keywords' needs '--reference REF'";
  }
  return "";
}

// The operands and options of a corpus tool: in memory an optional ORDER
// and no word, from an index nothing; none of the concordance's forms of
// answer, and a chart only of the collocates and the keywords.
std::string toolRequest(Request& request, const std::vector<std::string>& operands, bool wordsOnly) {
  const std::string tool = optionOfMode(request.mode);
  const auto together = [&tool](const char* other) {
    return "options '" + tool + "' and '" + other + "' cannot go together";
  };
  if (request.traced) return together("--trace");
  if (!request.savePath.empty()) return together("--save");
  if (request.classic) return together("--classic");
  if (request.sorted) return together("--sort");
  if (request.most > 0) return together("--max");
  if (request.count) return together("--count");
  if (request.byCount) return together("--by-count");
  if (request.plot && request.mode != Mode::collocates && request.mode != Mode::keywords) {
    return together("--plot");
  }
  if (request.reference == STANDARD_INPUT &&
      std::find(request.texts.begin(), request.texts.end(), STANDARD_INPUT) != request.texts.end()) {
    return "'--text -' and '--reference -' cannot both read standard input";
  }
  const bool number = !operands.empty() && !wordsOnly && looksLikeNumber(operands[0]);
  if (!request.indexPath.empty()) {
    if (!request.texts.empty()) {
      return "options '--index' and '--text' cannot go together: an index reads the texts it was built from";
    }
    if (request.seeded) return "options '--index' and '--seed' cannot go together";
    int order = 0;
    if (number && parseOrder(operands[0], order)) {
      return "an index keeps the order it was built with: no ORDER beside '--index' (a word "
             "that is a number goes after '--')";
    }
    if (!operands.empty()) return "option '" + tool + "' takes no word: " + operands[0];
  } else {
    request.order = DEFAULT_ORDER;
    if (number && !parseOrder(operands[0], request.order)) {
      return "not an order from " + std::to_string(MIN_ORDER) + " to " + std::to_string(MAX_ORDER) +
             ": " + operands[0];
    }
    const std::size_t words = number ? 1 : 0;
    if (operands.size() > words) return "option '" + tool + "' takes no word: " + operands[words];
  }
  return misfitOptions(request, tool);
}

}  // namespace

std::string parseArguments(const std::vector<std::string>& arguments, Request& request) {
  std::vector<std::string> operands;
  std::size_t dashAt = 0;  // where "-" stood among the operands, 0 for nowhere
  bool dashFirst = false;  // "-" stood first
  bool wordsOnly = false;  // "--" stood before the first operand: every operand is a word
  bool options = true;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options && (argument == "--help" || argument == "-h")) {
      request.help = true;
      return "";
    }
    if (options && argument == "--version") {
      request.version = true;
      return "";
    }
    if (options && argument == "--") {
      options = false;
      wordsOnly = operands.empty();
    } else if (options && isOption(argument)) {
      std::string problem = parseOption(arguments, i, request);
      if (!problem.empty()) return problem;
    } else {
      if (options && argument == "-") {
        dashAt = operands.size();
        dashFirst = operands.empty();
      }
      operands.push_back(argument);
    }
  }
  std::string misplaced = misplacedToolOption(request);
  if (!misplaced.empty()) return misplaced;
  if (isCorpusTool(request.mode)) return toolRequest(request, operands, wordsOnly);
  if (request.traced) {
    // --trace is a mode of its own, or the form of --explain's answers.
    if (request.mode == Mode::dialogue) {
      request.mode = Mode::trace;
    } else if (request.mode != Mode::explain) {
      return "option '--trace' goes with no other of --words, --stats, --dot and --cost";
    } else if (request.traceFormat == TraceFormat::html) {
      return "option '--explain' writes text or JSON lines, not html";
    }
  }
  const std::string modeOption = optionOfMode(request.mode);
  if (!request.indexPath.empty()) {
    return indexRequest(request, operands, wordsOnly, dashFirst, modeOption);
  }
  if (operands.empty() && request.mode == Mode::vocabulary && request.savePath.empty()) {
    request.order = DEFAULT_ORDER;
    return misfitOptions(request, modeOption);
  }
  if (operands.empty()) {
    if (request.mode != Mode::dialogue) return "option '" + modeOption + "' needs an order";
    if (!request.savePath.empty()) return "option '--save' needs an order";
    return misfitOptions(request, modeOption);
  }
  // A first operand that is a number, signed or not, is the order; any
  // other starts the words of a query mode, which then takes the default.
  const bool wordFirst = wordsOnly || (!operands[0].empty() && !looksLikeNumber(operands[0]));
  const bool queries = request.mode == Mode::dialogue || request.mode == Mode::vocabulary;
  if (wordFirst && queries && request.savePath.empty()) {
    request.order = DEFAULT_ORDER;
    request.words = operands;
    if (request.mode == Mode::vocabulary) {
      return "option '--words' takes no word: " + request.words[0];
    }
    if (dashFirst) {
      if (operands.size() != 1) return "'-' reads the words from standard input, and takes no other word";
      request.mode = Mode::standardInput;
    } else {
      request.mode = Mode::words;
    }
    return misfitOptions(request, modeOption);
  }
  if (!parseOrder(operands[0], request.order)) {
    return "not an order from " + std::to_string(MIN_ORDER) + " to " + std::to_string(MAX_ORDER) +
           ": " + operands[0];
  }
  request.words.assign(operands.begin() + 1, operands.end());
  if (!request.savePath.empty()) {
    if (request.mode != Mode::dialogue) return "options '--save' and '" + modeOption + "' cannot go together";
    if (!request.words.empty()) return "option '--save' takes no word: " + request.words[0];
    request.mode = Mode::save;
    if (request.classic) return "option '--save' indexes by the text rules, not '--classic'";
    if (request.seeded) return "options '--save' and '--seed' cannot go together";
    return misfitOptions(request, "--save");
  }
  if (request.mode == Mode::trace) return misfitOptions(request, modeOption);
  if (request.mode == Mode::explain) {
    return request.words.empty() ? "option '--explain' needs a word" : misfitOptions(request, modeOption);
  }
  if (request.mode != Mode::dialogue) {
    if (!request.words.empty()) {
      return "option '" + modeOption + "' takes no word: " + request.words[0];
    }
  } else if (dashAt != 0) {
    if (operands.size() != 2) {
      return "'-' reads the words from standard input, and takes no other word";
    }
    request.mode = Mode::standardInput;
  } else {
    request.mode = request.words.empty() ? Mode::trials : Mode::words;
  }
  return misfitOptions(request, modeOption);
}

