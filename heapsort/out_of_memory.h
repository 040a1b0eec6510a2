// What heapsort does when memory runs out: it cannot go on, so it ends the
// run at once, as a failure that says what it was doing, never as a crash.
#ifndef HEAPSORT_OUT_OF_MEMORY_H
#define HEAPSORT_OUT_OF_MEMORY_H

#include <string>

// Makes every allocation that fails from now on end the process: standard
// output written so far is flushed, standard error gets the line
// "heapsort: WHAT: not enough memory" (WHAT as last named by nameMemoryUse),
// and the status is 1. Nothing of this allocates.
void endRunWhenOutOfMemory();

// Names what the run spends its memory on from now on ("the command", the
// number file), as the line above shows it: a copy of `what` is kept.
// REQUIRES: `what` has its control bytes escaped.
void nameMemoryUse(const std::string& what);

#endif  // HEAPSORT_OUT_OF_MEMORY_H
