#include "out_of_memory.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>

#include "unfinished_file.h"

namespace {

// What the run spends its memory on. A string is left unchanged by an
// allocation of its own that fails, so the new-handler, called from within
// the assignment of a longer name, still reads the last name whole.
std::string& memoryUse() {
  static std::string what = "the command";
  return what;
}

// The new-handler: called by operator new when it cannot allocate, instead
// of throwing. Only C's unbuffered stderr and flushes are used here, since
// nothing may be allocated any more.
void outOfMemory() {
  // The run fails whatever these give: there is nothing left to tell.
  std::cout.flush();
  static_cast<void>(std::fflush(stdout));
  removeUnfinishedFiles();
  static_cast<void>(std::fputs("heapsort: ", stderr));
  static_cast<void>(std::fputs(memoryUse().c_str(), stderr));
  static_cast<void>(std::fputs(": not enough memory\n", stderr));
  std::_Exit(1);
}

}  // namespace

void endRunWhenOutOfMemory() { std::set_new_handler(outOfMemory); }

void nameMemoryUse(const std::string& what) { memoryUse() = what; }
