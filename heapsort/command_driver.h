// The whole run of heapsort: ask for one command, then read, build or sort,
// write the result and, after a sort, log the phase times.
#ifndef HEAPSORT_COMMAND_DRIVER_H
#define HEAPSORT_COMMAND_DRIVER_H

#include <istream>
#include <ostream>

// A command is accepted when it holds both markers and is long enough to
// hold the type letter at TYPE_INDEX.
constexpr int FILE_NAME_INDEX = 12;
constexpr int FILE_NAME_LENGTH = 13;
constexpr int TYPE_INDEX = 29;

// Runs the dialogue on `in` and `out`, with the files in the working
// directory, and returns the exit status: 0 when every file opened and every
// number was read, 1 otherwise or when input ended before a command.
int runCommandDriver(std::istream& in, std::ostream& out);

#endif  // HEAPSORT_COMMAND_DRIVER_H
