#include "out_of_memory.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "unfinished_file.h"

namespace {

std::ostream* flushed = nullptr;

std::string& task() {
  static std::string line;
  return line;
}

// The failures of these last writes and of the removal go unreported: the
// process ends at once, and nothing is left to report them with. Only C's
// unbuffered stderr and flushes are used, since nothing may be allocated.
[[noreturn]] void outOfMemory() {
  if (flushed != nullptr) flushed->flush();
  static_cast<void>(std::fflush(stdout));
  removeUnfinishedFiles();
  static_cast<void>(std::fputs(task().c_str(), stderr));
  static_cast<void>(std::fflush(stderr));
  // Nothing more runs: no destructor, no handler at exit, which could ask
  // for memory again.
  std::_Exit(1);
}

}  // namespace

void endRunWhenOutOfMemory(std::ostream& out, const std::string& line) {
  flushed = &out;
  setMemoryTask(line);
  std::set_new_handler(outOfMemory);
}

void setMemoryTask(const std::string& line) {
  // The old line is given up only once the new one is whole.
  std::string next = line + "\n";
  task().swap(next);
}
