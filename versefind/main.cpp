#include <iostream>

#include "search_driver.h"

int main() { return runSearchDriver(std::cin, std::cout); }
