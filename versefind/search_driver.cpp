#include "search_driver.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
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
    "Usage: versefind [ORDER]\n"
    "       versefind --help | --version\n"
    "\n"
    "Indexes every word of sonnets.txt, in the working folder, in a B-tree of\n"
    "order ORDER (a whole number from 2 to 10000), writes the cleaned text to\n"
    "output.txt, then looks up the words standing at 29 random places and\n"
    "prints each word with every place where it stands, as (word,line), and\n"
    "the total time of the look-ups.\n"
    "\n"
    "Without ORDER it asks for the order, and waits for a key at the end.\n";

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

// Tells why the index could not be built: which file, where, and the
// system's reason. `cause` is errno as the builder left it.
void explainIndexFailure(std::ostream& errors, int cause) {
  std::error_code unknown;
  const std::filesystem::path folder = std::filesystem::current_path(unknown);
  const auto tell = [&](const char* file, const std::string& why) {
    errors << "versefind: " << (folder / file).string() << ": " << why << std::endl;
  };
  // A folder is named as one, whether or not the system refuses to open it.
  if (std::filesystem::is_directory(TEXT_FILE, unknown)) {
    tell(TEXT_FILE, std::strerror(EISDIR));
    return;
  }
  errno = 0;
  const std::ifstream text(TEXT_FILE);
  if (!text.is_open()) {
    tell(TEXT_FILE, errno != 0 ? std::strerror(errno) : "cannot be opened");
  } else if (std::filesystem::is_directory(LISTING_FILE, unknown)) {
    tell(LISTING_FILE, std::strerror(EISDIR));
  } else {
    // Appending leaves the listing as the builder left it.
    errno = 0;
    const std::ofstream listing(LISTING_FILE, std::ios::app);
    if (!listing.is_open()) {
      tell(LISTING_FILE, errno != 0 ? std::strerror(errno) : "cannot be opened");
    } else {
      tell(LISTING_FILE, std::string("could not be written") +
                             (cause != 0 ? std::string(": ") + std::strerror(cause) : ""));
    }
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
                    std::ostream& out, std::ostream& errors) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << USAGE;
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    out << "versefind " << PROGRAM_VERSION << std::endl;
    return 0;
  }

  // The places are drawn with the C library's generator, seeded with the
  // clock: a different set each second is all the trials need.
  std::srand(static_cast<unsigned>(std::time(nullptr)));  // NOLINT(cert-msc32-c,cert-msc51-cpp)

  int order = 0;
  const bool fromShell = !arguments.empty();
  if (fromShell) {
    if (arguments.size() != 1 || !parseOrder(arguments[0], order)) {
      errors << "versefind: not an order from " << MIN_ORDER << " to " << MAX_ORDER << ":";
      for (const std::string& argument : arguments) errors << " " << argument;
      errors << "\n\n" << USAGE;
      return 2;
    }
  } else if (!readOrder(in, out, order)) {
    out << std::endl << "No order value was entered." << std::endl;
    return 1;
  }

  const auto tree = std::make_unique<BTree>(order);
  errno = 0;
  const int lineCount = tree->buildIndex(TEXT_FILE);
  if (lineCount == 0) {
    const int cause = errno;
    out << std::endl << std::endl << "The index could not be built: "
        << TEXT_FILE << " could not be read or " << LISTING_FILE
        << " could not be written." << std::endl;
    explainIndexFailure(errors, cause);
    return 1;
  }
  // Line numbers are drawn from 1 to lineCount - 1, which with a final line
  // break is every line of the text; a one-line count still draws line 1.
  const int lineRange = std::max(lineCount - 1, 1);

  double total = 0.0;
  for (int trial = 0; trial < TRIALS; ++trial) {
    const int wordNumber = std::rand() % 8 + 1;          // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int lineNumber = std::rand() % lineRange + 1;  // NOLINT(cert-msc30-c,cert-msc50-cpp)

    const std::clock_t start = std::clock();
    const WordEntry nd =
        tree->search(tree->root, tree->wordAt(TEXT_FILE, lineNumber, wordNumber));
    const std::clock_t end = std::clock();
    total += static_cast<double>(end - start) / CLOCKS_PER_SEC;

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
