#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/memory_guard.h"
#include "app/search_driver.h"
#include "terminal_text.h"
#include "unfinished_file.h"

namespace {

// std::cout's buffer for the run: every byte goes on to C's stdout, as with
// the standard one, and the first write or flush that fails keeps errno,
// which later calls would otherwise overwrite before the run ends.
class StandardOutput : public std::streambuf {
 public:
  int cause = 0;  // errno of the first failure; 0 while none failed

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return std::fputc(c, stdout) == EOF ? failed() : c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::size_t written = std::fwrite(s, 1, static_cast<std::size_t>(n), stdout);
    if (written < static_cast<std::size_t>(n)) failed();
    return static_cast<std::streamsize>(written);
  }
  int sync() override { return std::fflush(stdout) == 0 ? 0 : failed(); }

 private:
  int failed() {
    if (cause == 0) cause = errno;
    return traits_type::eof();
  }
};

// Ends the run's standard output: a write that failed, now or when stdout
// is flushed and closed (a full disk, say), fails the run with a line that
// gives the system's reason, so lost output is never reported as success.
// `cause` is the errno of the first write that failed, 0 when none did.
int closeStandardOutput(int status, int cause) {
  std::cout.flush();
  bool lost = std::cout.fail() || std::ferror(stdout) != 0;
  // Nothing may flush stdout once it is closed, the library's own flush of
  // std::cout at exit included.
  std::cout.rdbuf(nullptr);
  errno = 0;
  if (std::fclose(stdout) != 0) {
    lost = true;
    if (cause == 0) cause = errno;
  }
  if (!lost) return status;
  std::cerr << "versefind: standard output: "
            << (cause != 0 ? std::strerror(cause) : "write error") << std::endl;
  return 1;
}

// A standard input that failed to read (a folder, a device error) looks
// like its end to the driver, which then ends as if nothing more was asked:
// such a run must not pass for a success.
int checkStandardInput(int status) {
  if (std::ferror(stdin) == 0) return status;
  std::cerr << "versefind: standard input: could not be read" << std::endl;
  return status == 0 ? 1 : status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = programArguments(argc, argv);
  const RunSettings settings{[] { return std::clock(); }, CLOCKS_PER_SEC,
                             static_cast<unsigned>(std::time(nullptr))};
  // On a terminal, what could make it show a line otherwise than it stands
  // is escaped on its way out, whatever part of the program wrote it.
  StandardOutput plain;
  TerminalSafeOutput safe(stdout);
  const bool outputIsTerminal = isTerminal(std::cout);
  std::cout.rdbuf(outputIsTerminal ? static_cast<std::streambuf*>(&safe) : &plain);
  TerminalSafeOutput safeErrors(stderr);
  std::streambuf* const errorsBuffer = std::cerr.rdbuf();
  if (errorsAreTerminal()) std::cerr.rdbuf(&safeErrors);
  guardMemory(std::cout);
  removeUnfinishedFilesOnSignals();
  const int status = runSearchDriver(arguments, std::cin, std::cout, std::cerr, settings);
  if (outputIsTerminal) safe.finish();
  const int finalStatus =
      closeStandardOutput(checkStandardInput(status), outputIsTerminal ? safe.cause : plain.cause);
  safeErrors.finish();
  std::cerr.rdbuf(errorsBuffer);
  holdConsoleAfterFailure(finalStatus);
  return finalStatus;
}
