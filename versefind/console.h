// The small platform layer versefind needs: waiting for one key press.
#ifndef VERSEFIND_CONSOLE_H
#define VERSEFIND_CONSOLE_H

#include <istream>

// Waits for one key press. When `in` is std::cin on a terminal (a console
// window on Windows), it waits for a new key press without echo and leaves
// the terminal as it found it. Otherwise it reads one byte of `in`, and
// returns at once at end of input, so a piped run never hangs.
void waitForKey(std::istream& in);

#endif  // VERSEFIND_CONSOLE_H
