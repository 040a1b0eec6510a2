// What a program does when memory runs out. No code here throws or catches
// an exception, so a failed allocation would abort the process with no word
// said. Instead the handler that endRunWhenOutOfMemory installs writes out
// what standard output holds so far, removes the unfinished files being
// written (unfinished_file.h), writes the line of the task that ran out on
// standard error, and ends the process with status 1.
//
// The handler allocates nothing: the line it writes and the files it
// removes are stored beforehand.
#ifndef COMMON_OUT_OF_MEMORY_H
#define COMMON_OUT_OF_MEMORY_H

#include <ostream>
#include <string>

// Installs the handler for the rest of the process: `out` is flushed when
// memory runs out, and `line` is the task's line until setMemoryTask names
// another. main calls it once, with std::cout.
void endRunWhenOutOfMemory(std::ostream& out, const std::string& line);

// The line written when memory runs out from now on, without its line break
// ("versefind: notes.txt: not enough memory to index it"). The line before
// stays whole until this one is: an allocation for it that fails leaves the
// handler the line before.
void setMemoryTask(const std::string& line);

#endif  // COMMON_OUT_OF_MEMORY_H
