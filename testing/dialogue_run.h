// Running a program's driver in-process, with everything typed given as a
// string and what it prints captured.
#ifndef TESTING_DIALOGUE_RUN_H
#define TESTING_DIALOGUE_RUN_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// A program's driver: its arguments, then standard input, output and error.
using Driver = int (*)(const std::vector<std::string>&, std::istream&, std::ostream&,
                       std::ostream&);

// What a program's dialogue printed on standard output and on standard
// error, and the status it ended with.
struct DialogueRun {
  int status;
  std::string output;
  std::string errors;
};

// Runs a driver in-process with `input` as everything typed.
DialogueRun runDialogue(Driver driver, const std::string& input,
                        const std::vector<std::string>& arguments = {});

#endif  // TESTING_DIALOGUE_RUN_H
