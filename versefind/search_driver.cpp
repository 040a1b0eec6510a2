#include "search_driver.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>
#include <utility>

#include "concordance.h"
#include "console.h"
#include "index_views.h"
#include "sonnet_text.h"
#include "word_index.h"

namespace {

// The orders accepted: from the smallest that makes a B-tree proper to one
// whose nodes still fit in memory easily.
constexpr int MIN_ORDER = 2;
constexpr int MAX_ORDER = 10000;

// The width of place lines when standard output is no terminal, and the
// widest that may be asked for.
constexpr int DEFAULT_WIDTH = 80;
constexpr int MAX_WIDTH = 100000;

const char* const PROMPT_FOR_WORDS = "versefind> ";

const char* const USAGE =
    "Usage: versefind [OPTION]... [ORDER [WORD... | - | --words | --stats | --dot]]\n"
    "       versefind -h | --help | --version\n"
    "\n"
    "Indexes every word of sonnets.txt, in the working folder, in a B-tree of\n"
    "order ORDER (a whole number from 2 to 10000), writes the cleaned text to\n"
    "output.txt, then looks up the words standing at 29 random places and\n"
    "prints each word with every place where it stands, as (word,line), and\n"
    "the total time of the look-ups.\n"
    "\n"
    "Without ORDER it asks for the order, and waits for a key at the end.\n"
    "\n"
    "After ORDER, the index answers as a concordance, writes nothing to disk\n"
    "and does not wait:\n"
    "  WORD...     each word's places, LINE:WORDNO, each shown in its line;\n"
    "              a word is cleaned as the text is (Love, asks for love), and\n"
    "              WORD* (quoted) asks for every word that begins with WORD\n"
    "  -           the words read from standard input, one a line, each\n"
    "              answered as soon as it is read\n"
    "  --words     every word in word order, with the number of its places\n"
    "  --stats     the tree's figures: height, nodes, keys, fill, memory\n"
    "  --dot       the tree drawn as Graphviz DOT\n"
    "\n"
    "  --text FILE     index FILE instead of sonnets.txt, in every mode\n"
    "  --width N       cut place lines to N columns, 0 for never (by default\n"
    "                  the terminal's width, or 80 when output is no terminal)\n"
    "  --color[=WHEN]  show the found word in colour: auto (on a terminal, and\n"
    "                  NO_COLOR not set), always (--color alone), or never\n"
    "  --seed N        draw the places with the C library's generator seeded\n"
    "                  with N, a whole number from 0 to 4294967295: the same N\n"
    "                  draws the same places on the same system (by default\n"
    "                  the time of day)\n"
    "  -h, --help      print this text\n"
    "  --version       print the version\n"
    "\n"
    "Options may stand before or after ORDER; after --, every argument is a\n"
    "word. Status: 0 when every word asked was found, 1 when one was not or\n"
    "the text cannot be read, 2 for arguments that make no run.\n";

// Whether the integer just read stood alone: "3.5" or "3rd" is no order.
bool endsAtBlankOrEnd(std::istream& in) {
  const int next = in.peek();
  return next == std::char_traits<char>::eof() || std::isspace(next) != 0;
}

bool isOrder(int order) { return order >= MIN_ORDER && order <= MAX_ORDER; }

// Asks until a usable order is typed. A refused line is discarded whole.
// Returns false at end of input.
bool readOrder(std::istream& in, std::ostream& out, int& order) {
  for (;;) {
    out << "Please enter the order value of B-Tree:";
    if (in >> order) {
      if (isOrder(order) && endsAtBlankOrEnd(in)) return true;
    } else if (in.eof()) {
      return false;
    }
    in.clear();
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    out << "The order must be a whole number from " << MIN_ORDER << " to "
        << MAX_ORDER << "." << std::endl;
  }
}


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

// What a run does: a plain run (the dialogue, or the trials from the
// shell), or one of the concordance's answers.
enum class Mode { dialogue, trials, words, standardInput, vocabulary, stats, dot };

enum class ColorChoice { automatic, always, never };

// What the arguments ask for.
struct Request {
  bool help = false;
  bool version = false;
  int order = 0;  // 0: the order is asked for
  bool seeded = false;
  unsigned seed = 0;
  std::string text = TEXT_FILE;
  int width = -1;  // -1: the terminal's, or DEFAULT_WIDTH
  ColorChoice color = ColorChoice::automatic;
  Mode mode = Mode::dialogue;
  std::vector<std::string> words;
};

// An argument that is an option: a dash and more, but not a negative
// number (that is a bad order, or a word).
bool isOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' &&
         std::isdigit(static_cast<unsigned char>(argument[1])) == 0;
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
  if ((name == "--seed" || name == "--text" || name == "--width") && !hasValue) {
    if (i + 1 == arguments.size()) {
      return "option '" + name + "' needs " + (name == "--text" ? "a file name" : "a number");
    }
    value = arguments[++i];
  }
  if (name == "--seed") {
    if (!parseSeed(value, request.seed)) {
      return "not a seed from 0 to " + std::to_string(std::numeric_limits<unsigned>::max()) +
             ": " + value;
    }
    request.seeded = true;
  } else if (name == "--text") {
    if (value.empty()) return "option '--text' needs a file name";
    request.text = value;
  } else if (name == "--width") {
    if (!parseCount(value, MAX_WIDTH, request.width)) {
      return "not a width from 0 to " + std::to_string(MAX_WIDTH) + ": " + value;
    }
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
  } else if (argument == "--words" || argument == "--stats" || argument == "--dot") {
    if (request.mode != Mode::dialogue) return "more than one of --words, --stats and --dot";
    request.mode = argument == "--words" ? Mode::vocabulary
                   : argument == "--stats" ? Mode::stats
                                           : Mode::dot;
  } else {
    return "unknown option: " + argument;
  }
  return "";
}

// Reads the arguments into `request`. Options may stand anywhere before
// "--"; of the other arguments the first is the order and the rest words.
// Returns what is wrong with them, or an empty string.
std::string parseArguments(const std::vector<std::string>& arguments, Request& request) {
  std::vector<std::string> operands;
  std::size_t dashAt = 0;  // where "-" stood among the operands, 0 for nowhere
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
    } else if (options && isOption(argument)) {
      std::string problem = parseOption(arguments, i, request);
      if (!problem.empty()) return problem;
    } else {
      if (options && argument == "-") dashAt = operands.size();
      operands.push_back(argument);
    }
  }
  const std::string modeOption = request.mode == Mode::vocabulary ? "--words"
                                 : request.mode == Mode::stats      ? "--stats"
                                                                    : "--dot";
  if (operands.empty()) {
    if (request.mode != Mode::dialogue) return "option '" + modeOption + "' needs an order";
    return "";
  }
  if (!parseOrder(operands[0], request.order)) {
    return "not an order from " + std::to_string(MIN_ORDER) + " to " + std::to_string(MAX_ORDER) +
           ": " + operands[0];
  }
  request.words.assign(operands.begin() + 1, operands.end());
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
  return "";
}

// Tells which file stopped the index, in which folder, and why.
void explainIndexFailure(std::ostream& errors, const IndexFailure& failure) {
  std::error_code unknown;
  const std::filesystem::path folder = std::filesystem::current_path(unknown);
  errors << "versefind: " << shownWord((folder / failure.file).string()) << ": ";
  if (failure.cause != 0) {
    errors << std::strerror(failure.cause) << std::endl;
  } else {
    errors << (failure.file == LISTING_FILE ? "could not be written" : "could not be read")
           << std::endl;
  }
}

void printEntry(std::ostream& out, const WordEntry& nd, int lineNumber,
                int wordNumber) {
  if (nd.word.empty()) {
    // A miss names the place line first, unlike the place strings.
    out << "There are no word in the (" << lineNumber << "," << wordNumber
        << ") place in the sonnet ";
    return;
  }
  out << nd.word << " is placed in: ";
  for (int p = 0; p < MAX_PLACES && !nd.places[p].empty(); ++p) {
    out << nd.places[p] << "  ";
  }
}

// A text that gives no words, or that was saved as UTF-16, is indexed all
// the same, but the person is told: their words will not be found.
void warnAboutText(const BTree& tree, const std::string& text, std::ostream& errors) {
  bool hasWord = false;
  tree.walkInOrder([&](const WordEntry& entry) {
    hasWord = !entry.word.empty();  // the empty word, if any, comes first
    return !hasWord;
  });
  if (!hasWord) errors << "versefind: " << shownWord(text) << ": has no words\n";
  // A UTF-16 text opens with a byte-order mark, which the word rules leave
  // at the start of the text's first word, the one at (1,1).
  bool utf16 = false;
  const std::string firstPlace = makePlace(1, 1);
  for (const std::string mark : {"\xFF\xFE", "\xFE\xFF"}) {
    tree.walkFrom(mark, [&](const WordEntry& entry) {
      if (entry.word.compare(0, mark.size(), mark) != 0) return false;
      utf16 = utf16 || entry.places[0] == firstPlace;
      return !utf16;
    });
  }
  if (utf16) errors << "versefind: " << shownWord(text) << ": looks like UTF-16; save it as UTF-8\n";
}

// Builds the index of the text with its listing, as the dialogue and the
// trials do. Returns the builder's line count; on a failure, 0, after the
// dialogue's line on `out` and the reason on `errors`.
int buildListedIndex(BTree& tree, const std::string& text, std::ostream& out,
                     std::ostream& errors) {
  IndexFailure failure;
  const int lineCount = tree.buildIndex(text, failure);
  if (lineCount == 0) {
    out << std::endl << std::endl << "The index could not be built: "
        << shownWord(text) << " could not be read or " << LISTING_FILE
        << " could not be written." << std::endl;
    explainIndexFailure(errors, failure);
    return 0;
  }
  warnAboutText(tree, text, errors);
  return lineCount;
}

// The 29 trials over the index of `text`, and the total line, which ends
// without a line break.
void runTrials(const BTree& tree, const std::string& text, int lineCount, const Request& request,
               std::ostream& out, const RunSettings& settings) {
  // The places are drawn with the C library's generator, seeded with the
  // seed given, or else the caller's (the clock's).
  std::srand(request.seeded ? request.seed : settings.seed);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  // Line numbers are drawn from 1 to lineCount - 1, which with a final line
  // break is every line of the text; a one-line count still draws line 1.
  const int lineRange = std::max(lineCount - 1, 1);

  double total = 0.0;
  for (int trial = 0; trial < TRIALS; ++trial) {
    const int wordNumber = std::rand() % 8 + 1;          // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int lineNumber = std::rand() % lineRange + 1;  // NOLINT(cert-msc30-c,cert-msc50-cpp)

    const std::clock_t start = settings.clock();
    const WordEntry nd = tree.search(tree.root, tree.wordAt(text, lineNumber, wordNumber));
    const std::clock_t end = settings.clock();
    // Two readings of the clock, which cppcheck takes for one value.
    // cppcheck-suppress duplicateExpression
    total += static_cast<double>(end - start) / settings.ticksPerSecond;

    out << std::endl << std::endl;
    printEntry(out, nd, lineNumber, wordNumber);
  }

  out << std::endl << std::endl << "Total time of searching: " << total
      << " second" << std::flush;
}

// versefind without an order: the prompt, the trials, the key wait.
int runDialogue(const Request& request, std::istream& in, std::ostream& out, std::ostream& errors,
                const RunSettings& settings) {
  int order = 0;
  if (!readOrder(in, out, order)) {
    out << std::endl << "No order value was entered." << std::endl;
    return 1;
  }
  const auto tree = std::make_unique<BTree>(order);
  const int lineCount = buildListedIndex(*tree, request.text, out, errors);
  if (lineCount == 0) return 1;
  runTrials(*tree, request.text, lineCount, request, out, settings);
  waitForKey(in, errors);
  return 0;
}

// versefind ORDER: the trials without the prompt and without the key wait.
int runTrialsFromShell(const Request& request, std::ostream& out, std::ostream& errors,
                       const RunSettings& settings) {
  const auto tree = std::make_unique<BTree>(request.order);
  const int lineCount = buildListedIndex(*tree, request.text, out, errors);
  if (lineCount == 0) return 1;
  runTrials(*tree, request.text, lineCount, request, out, settings);
  out << std::endl;  // the shell's prompt starts on a line of its own
  return 0;
}

// The index the concordance answers from: built without a listing, keeping
// the lines of the text. Null when the text cannot be read, after the reason
// on `errors`.
std::unique_ptr<BTree> buildQuietIndex(const Request& request, std::vector<std::string>& lines,
                                       std::ostream& errors) {
  auto tree = std::make_unique<BTree>(request.order);
  IndexFailure failure;
  if (tree->buildIndex(request.text, failure, lines) == 0) {
    explainIndexFailure(errors, failure);
    return nullptr;
  }
  warnAboutText(*tree, request.text, errors);
  return tree;
}

// How place lines are laid out for `out`: the width asked for, else the
// terminal's, else DEFAULT_WIDTH; colour when asked for, or by default on a
// terminal unless NO_COLOR is set to something.
Layout layoutFor(const Request& request, const std::ostream& out) {
  Layout layout;
  const int terminal = terminalWidth(out);
  layout.width = request.width >= 0 ? request.width : terminal > 0 ? terminal : DEFAULT_WIDTH;
  const char* const noColor = std::getenv("NO_COLOR");
  switch (request.color) {
    case ColorChoice::always:
      enableColor(out);  // a console that cannot show colour gets it all the same: it was asked for
      layout.color = true;
      break;
    case ColorChoice::never:
      break;
    case ColorChoice::automatic:
      layout.color = (noColor == nullptr || *noColor == '\0') && enableColor(out);
      break;
  }
  return layout;
}

// versefind ORDER WORD... and versefind ORDER -: the words asked, answered.
int runQueries(const Request& request, std::istream& in, std::ostream& out, std::ostream& errors) {
  std::vector<std::string> lines;
  const std::unique_ptr<BTree> tree = buildQuietIndex(request, lines, errors);
  if (tree == nullptr) return 1;
  const Concordance concordance{*tree, lines, layoutFor(request, out), out, errors};
  const bool all = request.mode == Mode::standardInput
                       ? answerLines(concordance, in, PROMPT_FOR_WORDS)
                       : answerWords(concordance, request.words);
  return all ? 0 : 1;
}

// versefind ORDER --words, --stats or --dot: the whole index, in one view.
int runView(const Request& request, std::ostream& out, std::ostream& errors) {
  std::vector<std::string> lines;
  const std::unique_ptr<BTree> tree = buildQuietIndex(request, lines, errors);
  if (tree == nullptr) return 1;
  if (request.mode == Mode::vocabulary) {
    writeVocabulary(*tree, out);
  } else if (request.mode == Mode::stats) {
    writeStats(*tree, out);
  } else {
    writeDot(*tree, out);
  }
  return 0;
}

}  // namespace

int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors, const RunSettings& settings) {
  Request request;
  const std::string problem = parseArguments(arguments, request);
  if (!problem.empty()) {
    // An argument is named as typed, but a control byte in it, like one in
    // a file name, is shown escaped, never sent to the terminal raw.
    errors << "versefind: " << shownWord(problem) << "\nTry 'versefind --help' for more information."
           << std::endl;
    return 2;
  }
  if (request.help) {
    out << USAGE;
    return 0;
  }
  if (request.version) {
    out << "versefind " << PROGRAM_VERSION << std::endl;
    return 0;
  }
  switch (request.mode) {
    case Mode::dialogue:
      return runDialogue(request, in, out, errors, settings);
    case Mode::trials:
      return runTrialsFromShell(request, out, errors, settings);
    case Mode::words:
    case Mode::standardInput:
      return runQueries(request, in, out, errors);
    case Mode::vocabulary:
    case Mode::stats:
    case Mode::dot:
      return runView(request, out, errors);
  }
  return 2;
}

int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors) {
  const RunSettings real{[] { return std::clock(); }, CLOCKS_PER_SEC,
                         static_cast<unsigned>(std::time(nullptr))};
  return runSearchDriver(arguments, in, out, errors, real);
}
