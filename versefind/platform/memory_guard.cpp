#include "platform/memory_guard.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "unfinished_file.h"

namespace {

std::ostream* flushed = nullptr;
std::string task;  // empty until a task is named

// The failures of these last writes and of the removal go unreported: the
// process ends at once, and nothing is left to report them with.
[[noreturn]] void outOfMemory() {
  if (flushed != nullptr) flushed->flush();
  static_cast<void>(std::fflush(stdout));
  removeUnfinishedFiles();
  static_cast<void>(std::fputs(task.empty() ? "versefind: not enough memory\n" : task.c_str(), stderr));
  static_cast<void>(std::fflush(stderr));
  // Nothing more runs: no destructor, no handler at exit, which could ask
  // for memory again.
  std::_Exit(1);
}

}  // namespace

void guardMemory(std::ostream& out) {
  flushed = &out;
  std::set_new_handler(outOfMemory);
}

void setMemoryTask(const std::string& line) {
  // The old line is given up only once the new one is whole.
  std::string next = line + "\n";
  task.swap(next);
}
