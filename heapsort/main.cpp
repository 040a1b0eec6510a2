#include <iostream>
#include <string>
#include <vector>

#include "command_driver.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return runCommandDriver(arguments, std::cin, std::cout, std::cerr);
}
