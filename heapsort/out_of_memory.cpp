#include "out_of_memory.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>

namespace {

const char* memoryUse = "the command";

// The new-handler: called by operator new when it cannot allocate, instead
// of throwing. Only C's unbuffered stderr and flushes are used here, since
// nothing may be allocated any more.
void outOfMemory() {
  // The run fails whatever these give: there is nothing left to tell.
  std::cout.flush();
  static_cast<void>(std::fflush(stdout));
  static_cast<void>(std::fputs("heapsort: ", stderr));
  static_cast<void>(std::fputs(memoryUse, stderr));
  static_cast<void>(std::fputs(": not enough memory\n", stderr));
  std::_Exit(1);
}

}  // namespace

void endRunWhenOutOfMemory() { std::set_new_handler(outOfMemory); }

void nameMemoryUse(const char* what) { memoryUse = what; }
