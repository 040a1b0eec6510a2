#include <iostream>

#include "command_driver.h"

int main() { return runCommandDriver(std::cin, std::cout); }
