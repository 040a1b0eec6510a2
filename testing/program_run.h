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

// Starts `program` with `arguments` and goes on at once: its standard input
// is /dev/null, its output and error go to program-output.txt and
// program-errors.txt, and, when `fileSizeBytes` is not 0, no file it writes
// may grow past that many bytes (ulimit -f). Returns its process number, or
// -1 when it could not start. POSIX systems only: -1 at once on Windows.
long startProgram(const std::string& program, const std::vector<std::string>& arguments,
                  long fileSizeBytes = 0);

// Waits for the program `process` started above to end, and returns its exit
// status, or 128 + N when signal N ended it, as a shell tells.
int waitForProgram(long process);

// Waits until a file whose name begins with `prefix` stands in `folder`
// (true), checking every 100 microseconds, `checks` times at most (false):
// 20 seconds by default, and 0 asks once.
bool waitForFileIn(const std::string& folder, const std::string& prefix, int checks = 200000);

// The number of this process.
long thisProcess();

// The number of a process that has ended: one started and waited for here.
// POSIX systems only: -1 on Windows.
long endedProcess();

#endif  // TESTING_PROGRAM_RUN_H
