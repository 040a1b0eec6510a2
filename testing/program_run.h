// Running a built program, as a user does, with its standard streams in
// files.
#ifndef TESTING_PROGRAM_RUN_H
#define TESTING_PROGRAM_RUN_H

#include <string>
#include <vector>

// Runs `program` with `arguments` (plain words, no quoting needed) in the
// working directory, with `input` on its standard input, its standard output
// captured in `output` and, when `errors` is given, its standard error
// there. Returns its exit status, or -1 when it did not exit normally. The
// tests give it a time limit.
int runProgram(const std::string& program, const std::string& input,
               std::string& output, const std::vector<std::string>& arguments = {},
               std::string* errors = nullptr);

// Runs `program` with `arguments`, `input` on its standard input and its
// standard output on /dev/full, where every write fails for want of space,
// with its standard error captured in `errors`. Returns its exit status, or
// -1 when it did not exit normally. POSIX systems only: on Windows it
// returns -1 at once.
int runProgramOnFullDevice(const std::string& program, const std::vector<std::string>& arguments,
                           std::string& errors, const std::string& input = "");

// Runs `program` with `arguments`, its standard input read from the file
// `inputFile` (a device such as /dev/zero too), and, when `memoryKiB` is not
// 0, an address space of at most that many KiB (ulimit -v); its standard
// output and error are captured in `output` and `errors`. Returns its exit
// status, or -1 when it did not exit normally. POSIX systems only: on
// Windows it returns -1 at once.
int runProgramLimited(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& inputFile, long memoryKiB, std::string& output,
                      std::string& errors);

#endif  // TESTING_PROGRAM_RUN_H
