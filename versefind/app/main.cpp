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
#include "console_hold.h"
#include "out_of_memory.h"
#include "app/search_driver.h"
#include "terminal_text.h"
#include "standard_output.h"
#include "unfinished_file.h"

namespace {

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
  endRunWhenOutOfMemory(std::cout, "versefind: not enough memory");
  removeUnfinishedFilesOnSignals();
  const int status = runSearchDriver(arguments, std::cin, std::cout, std::cerr, settings);
  if (outputIsTerminal) safe.finish();
  const int finalStatus =
      closeStandardOutput("versefind", checkStandardInput(status), outputIsTerminal ? safe.cause : plain.cause);
  safeErrors.finish();
  std::cerr.rdbuf(errorsBuffer);
  holdConsoleAfterFailure(finalStatus);
  return finalStatus;
}
