// Standard output as both programs end it: a write that failed, at any time,
// fails the run, as coreutils' close_stdout does.
#ifndef COMMON_STANDARD_OUTPUT_H
#define COMMON_STANDARD_OUTPUT_H

#include <streambuf>

// std::cout's buffer for the run: every byte goes on to C's stdout, as with
// the standard one, and the first write or flush that fails keeps errno,
// which later calls would otherwise overwrite before the run ends.
class StandardOutput : public std::streambuf {
 public:
  int cause = 0;  // errno of the first failure; 0 while none failed

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  int failed();
};

// Ends the run's standard output: a write that failed, now or when stdout
// is flushed and closed (a full disk, say), fails the run with the line
// "PROGRAM: standard output: WHY" on standard error, so lost output is never
// reported as success. `firstFailure` is the buffer's record of the first write
// that failed (errno, 0 when none did), read once std::cout is flushed.
// Returns the status the run ends with.
int closeStandardOutput(const char* program, int status, const int& firstFailure);

#endif  // COMMON_STANDARD_OUTPUT_H
