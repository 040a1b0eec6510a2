#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "command_driver.h"
#include "out_of_memory.h"
#include "console_hold.h"
#include "platform.h"
#include "standard_output.h"
#include "unfinished_file.h"

int main(int argc, char** argv) {
  endRunWhenOutOfMemory(std::cout, "heapsort: the command: not enough memory");
  removeUnfinishedFilesOnSignals();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  StandardOutput buffer;
  std::cout.rdbuf(&buffer);
  const int status = runCommandDriver(arguments, std::cin, std::cout, std::cerr, std::clock);
  const int finalStatus = closeStandardOutput("heapsort", status, buffer.cause);
  holdConsoleAfterFailure(finalStatus);
  return finalStatus;
}
