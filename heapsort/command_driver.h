// The whole run of heapsort: take one command, typed at the prompt or given
// as arguments, then read, build or sort, write the result and, after a
// sort, log the phase times.
#ifndef HEAPSORT_COMMAND_DRIVER_H
#define HEAPSORT_COMMAND_DRIVER_H

#include <ctime>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Runs heapsort with the program's `arguments` (without the program name),
// the dialogue on `in` and `out`, diagnostics on `errors`, the files in the
// working directory, and `readClock` (std::clock, or a test's own) to time
// the phases of a sort. Returns the exit status: 0 when every file opened and
// every number was read; 1 otherwise, or when input ended before a command;
// 2 for arguments that make no command.
int runCommandDriver(const std::vector<std::string>& arguments, std::istream& in,
                     std::ostream& out, std::ostream& errors, std::clock_t (*readClock)());

#endif  // HEAPSORT_COMMAND_DRIVER_H
