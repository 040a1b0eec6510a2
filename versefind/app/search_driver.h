// The whole run of versefind: read the arguments (arguments.h), index the
// text ("sonnets.txt" unless --text names another), and run one mode:
//
//   versefind                 the dialogue: asks for the order, writes the
//                             listing, times 29 random look-ups, waits for a key
//   versefind ORDER           the same trials, without the prompt and the wait
//   versefind ORDER WORD...   the words asked, answered as a concordance
//   versefind ORDER -         the words read from standard input, answered
//                             (a quoted query of several words is a phrase;
//                             --sort orders the place lines, --count only
//                             counts, --plot draws all the answers as one SVG)
//   versefind ORDER --words   every word of the index with its count
//   versefind ORDER --stats   the tree's figures
//   versefind ORDER --dot     the tree drawn as Graphviz DOT
//
// Only the dialogue and the trials write the listing; the other modes write
// nothing to disk.
#ifndef VERSEFIND_SEARCH_DRIVER_H
#define VERSEFIND_SEARCH_DRIVER_H

#include <ctime>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

constexpr int TRIALS = 29;

// What a run takes from its caller besides its streams, so that a test can
// fix it: the clock that times the look-ups (ticks, and ticks per second),
// and the seed of the places drawn when no --seed is given.
struct RunSettings {
  std::clock_t (*clock)();
  double ticksPerSecond;
  unsigned seed;
};

// Runs versefind with the program's `arguments` (without the program name),
// the dialogue on `in` and `out`, diagnostics on `errors`, and the files in
// the working directory. Returns the exit status: 0 after the trials, the
// help, the version, or answers that found every word asked; 1 when no order
// was entered, the index could not be built or a word asked was not found;
// 2 for arguments that make no run (one line on `errors` says why).
int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors, const RunSettings& settings);

// The same with the C library's clock and the time of day as the seed.
int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors);

#endif  // VERSEFIND_SEARCH_DRIVER_H
