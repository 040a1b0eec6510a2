// What versefind does when memory runs out. No code here throws or catches
// an exception, so a failed allocation would abort the process with no word
// said. Instead the handler that guardMemory installs writes out what
// standard output holds so far, removes the unfinished files being written,
// names the task that ran out on standard error, and ends the process with
// status 1.
//
// The handler allocates nothing: the line it writes and the file it removes
// are stored beforehand.
#ifndef VERSEFIND_MEMORY_GUARD_H
#define VERSEFIND_MEMORY_GUARD_H

#include <ostream>
#include <string>

// Installs the handler for the rest of the process: `out` is flushed when
// memory runs out. main calls it once, with std::cout.
void guardMemory(std::ostream& out);

// The line written when memory runs out from now on, without its line break
// ("versefind: notes.txt: not enough memory to index it"). Until a task is
// named, the line is "versefind: not enough memory".
void setMemoryTask(const std::string& line);

#endif  // VERSEFIND_MEMORY_GUARD_H
