#include "console.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace {

// Reads one key from the terminal on standard input in raw mode. Returns
// false when standard input is not a terminal we can configure.
bool readTerminalKey() {
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return false;
  termios raw = saved;
  // No line editing, no echo, and Ctrl-C is a key like any other, so the
  // settings are always restored.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSAFLUSH drops keys typed ahead, so the wait asks for a new key press.
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) return false;
  char key = 0;
  ssize_t got = 0;
  do {
    got = read(STDIN_FILENO, &key, 1);
  } while (got < 0 && errno == EINTR);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return true;
}

}  // namespace

void waitForKey(std::istream& in) {
  if (&in == &std::cin && isatty(STDIN_FILENO) && readTerminalKey()) return;
  in.get();
}
