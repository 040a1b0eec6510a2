// The whole run of versefind: take the order (typed at the prompt or given
// as the argument), index "sonnets.txt", time 29 random look-ups and print
// what they found.
#ifndef VERSEFIND_SEARCH_DRIVER_H
#define VERSEFIND_SEARCH_DRIVER_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

constexpr int TRIALS = 29;

// The text that versefind indexes, in the working directory.
inline constexpr char TEXT_FILE[] = "sonnets.txt";

// Runs versefind with the program's `arguments` (without the program name),
// the dialogue on `in` and `out`, diagnostics on `errors`, and the files in
// the working directory. Returns the exit status: 0 after the trials; 1 when
// no order was entered or the index could not be built; 2 for arguments
// that are no order.
int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors);

#endif  // VERSEFIND_SEARCH_DRIVER_H
