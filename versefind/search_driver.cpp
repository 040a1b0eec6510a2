#include "search_driver.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>

#include "console.h"
#include "word_index.h"

namespace {

const char* const TEXT_FILE = "sonnets.txt";

// Whether the integer just read stood alone: "3.5" or "3rd" is no order.
bool endsAtBlankOrEnd(std::istream& in) {
  const int next = in.peek();
  return next == std::char_traits<char>::eof() || std::isspace(next) != 0;
}

// Asks until a usable order is typed. A refused line is discarded whole.
// Returns false at end of input.
bool readOrder(std::istream& in, std::ostream& out, int& order) {
  for (;;) {
    out << "Please enter the order value of B-Tree:";
    if (in >> order) {
      if (order >= MIN_ORDER && order <= MAX_ORDER && endsAtBlankOrEnd(in)) {
        return true;
      }
    } else if (in.eof()) {
      return false;
    }
    in.clear();
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    out << "The order must be a whole number from " << MIN_ORDER << " to "
        << MAX_ORDER << "." << std::endl;
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

int runSearchDriver(std::istream& in, std::ostream& out) {
  // The places are drawn with the C library's generator, seeded with the
  // clock: a different set each second is all the trials need.
  std::srand(static_cast<unsigned>(std::time(nullptr)));  // NOLINT(cert-msc32-c,cert-msc51-cpp)

  int order = 0;
  if (!readOrder(in, out, order)) {
    out << std::endl << "No order value was entered." << std::endl;
    return 1;
  }

  const auto tree = std::make_unique<BTree>(order);
  const int lineCount = tree->buildIndex(TEXT_FILE);
  if (lineCount == 0) {
    out << std::endl << std::endl << "The index could not be built: "
        << TEXT_FILE << " could not be read or output.txt could not be written."
        << std::endl;
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
  waitForKey(in);
  return 0;
}
