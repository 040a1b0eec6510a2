// The small platform layer versefind needs: waiting for one key press.
#ifndef VERSEFIND_CONSOLE_H
#define VERSEFIND_CONSOLE_H

#include <istream>
#include <ostream>

// Waits for one key press. When `in` is std::cin on a terminal (a console
// window on Windows), it shows the hint "(press any key)" on `hint`, waits
// for a new key press without echo, takes the whole key (an arrow or a
// function key sends several bytes), then ends the hint's line and leaves
// the terminal as it found it. Otherwise it reads one byte of `in`, writes
// nothing, and returns at once at end of input, so a piped run never hangs.
void waitForKey(std::istream& in, std::ostream& hint);

#endif  // VERSEFIND_CONSOLE_H
