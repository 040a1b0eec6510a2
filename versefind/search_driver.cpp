#include "search_driver.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>

#include "console.h"
#include "word_index.h"

namespace {

// The orders accepted: from the smallest that makes a B-tree proper to one
// whose nodes still fit in memory easily.
constexpr int MIN_ORDER = 2;
constexpr int MAX_ORDER = 10000;

const char* const USAGE =
    "Usage: versefind [--seed N] [ORDER]\n"
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
    "  --seed N    draw the places with the C library's generator seeded with N,\n"
    "              a whole number from 0 to 4294967295: the same N draws the\n"
    "              same places on the same system (by default the time of day)\n"
    "  -h, --help  print this text\n"
    "  --version   print the version\n";

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

// The order given as the argument: the whole argument is the number.
bool parseOrder(const std::string& argument, int& order) {
  if (argument.empty() || argument.size() > 5) return false;
  order = 0;
  for (const char c : argument) {
    if (c < '0' || c > '9') return false;
    order = order * 10 + (c - '0');
  }
  return isOrder(order);
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

// What the arguments ask for.
struct Request {
  bool help = false;
  bool version = false;
  int order = 0;  // 0: the order is asked for
  bool seeded = false;
  unsigned seed = 0;
};

// Reads the arguments, in any order, into `request`. Returns what is wrong
// with them, or an empty string.
std::string parseArguments(const std::vector<std::string>& arguments, Request& request) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      request.help = true;
      return "";
    }
    if (argument == "--version") {
      request.version = true;
      return "";
    }
    if (argument == "--seed") {
      if (i + 1 == arguments.size()) return "option '--seed' needs a number";
      if (!parseSeed(arguments[++i], request.seed)) {
        return "not a seed from 0 to " + std::to_string(std::numeric_limits<unsigned>::max()) +
               ": " + arguments[i];
      }
      request.seeded = true;
    } else if (argument.size() > 1 && argument[0] == '-' &&
               std::isdigit(static_cast<unsigned char>(argument[1])) == 0) {
      return "unknown option: " + argument;
    } else if (request.order != 0) {
      return "more than one order: " + argument;
    } else if (!parseOrder(argument, request.order)) {
      return "not an order from " + std::to_string(MIN_ORDER) + " to " +
             std::to_string(MAX_ORDER) + ": " + argument;
    }
  }
  return "";
}

// Tells which file stopped the index, in which folder, and why.
void explainIndexFailure(std::ostream& errors, const IndexFailure& failure) {
  std::error_code unknown;
  const std::filesystem::path folder = std::filesystem::current_path(unknown);
  errors << "versefind: " << (folder / failure.file).string() << ": ";
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

}  // namespace

int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors, const RunSettings& settings) {
  Request request;
  const std::string problem = parseArguments(arguments, request);
  if (!problem.empty()) {
    errors << "versefind: " << problem << "\nTry 'versefind --help' for more information."
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

  // The places are drawn with the C library's generator, seeded with the
  // seed given, or else the caller's (the clock's).
  std::srand(request.seeded ? request.seed : settings.seed);  // NOLINT(cert-msc32-c,cert-msc51-cpp)

  int order = request.order;
  const bool fromShell = order != 0;
  if (!fromShell && !readOrder(in, out, order)) {
    out << std::endl << "No order value was entered." << std::endl;
    return 1;
  }

  const auto tree = std::make_unique<BTree>(order);
  IndexFailure failure;
  const int lineCount = tree->buildIndex(TEXT_FILE, failure);
  if (lineCount == 0) {
    out << std::endl << std::endl << "The index could not be built: "
        << TEXT_FILE << " could not be read or " << LISTING_FILE
        << " could not be written." << std::endl;
    explainIndexFailure(errors, failure);
    return 1;
  }
  // Line numbers are drawn from 1 to lineCount - 1, which with a final line
  // break is every line of the text; a one-line count still draws line 1.
  const int lineRange = std::max(lineCount - 1, 1);

  double total = 0.0;
  for (int trial = 0; trial < TRIALS; ++trial) {
    const int wordNumber = std::rand() % 8 + 1;          // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int lineNumber = std::rand() % lineRange + 1;  // NOLINT(cert-msc30-c,cert-msc50-cpp)

    const std::clock_t start = settings.clock();
    const WordEntry nd =
        tree->search(tree->root, tree->wordAt(TEXT_FILE, lineNumber, wordNumber));
    const std::clock_t end = settings.clock();
    // Two readings of the clock, which cppcheck takes for one value.
    // cppcheck-suppress duplicateExpression
    total += static_cast<double>(end - start) / settings.ticksPerSecond;

    out << std::endl << std::endl;
    printEntry(out, nd, lineNumber, wordNumber);
  }

  out << std::endl << std::endl << "Total time of searching: " << total
      << " second" << std::flush;
  if (fromShell) {
    out << std::endl;  // run from the shell: the shell's prompt starts on a line of its own
  } else {
    waitForKey(in, errors);
  }
  return 0;
}

int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors) {
  const RunSettings real{[] { return std::clock(); }, CLOCKS_PER_SEC,
                         static_cast<unsigned>(std::time(nullptr))};
  return runSearchDriver(arguments, in, out, errors, real);
}
