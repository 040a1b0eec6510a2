#include "memory_guard.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

std::ostream* flushed = nullptr;
std::string task = "versefind: not enough memory\n";
std::string unfinished;

[[noreturn]] void outOfMemory() {
  if (flushed != nullptr) flushed->flush();
  std::fflush(stdout);
  if (!unfinished.empty()) std::remove(unfinished.c_str());
  std::fputs(task.c_str(), stderr);
  std::fflush(stderr);
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

void setUnfinishedFile(const std::string& path) {
  std::string next = path;
  unfinished.swap(next);
}
