// The whole run of versefind: ask for the order, index "sonnets.txt", time
// 29 random look-ups and print what they found.
#ifndef VERSEFIND_SEARCH_DRIVER_H
#define VERSEFIND_SEARCH_DRIVER_H

#include <istream>
#include <ostream>

constexpr int MIN_ORDER = 2;
constexpr int MAX_ORDER = 10000;
constexpr int TRIALS = 29;

// Runs the dialogue on `in` and `out`, with the files in the working
// directory, and returns the exit status: 0 after the trials, 1 when no
// order was entered or the index could not be built.
int runSearchDriver(std::istream& in, std::ostream& out);

#endif  // VERSEFIND_SEARCH_DRIVER_H
