// The key wait on each platform: a console key read without echo on
// Windows, the terminal switched to raw mode on POSIX systems, and one byte
// of the stream everywhere else.
#include "console.h"

#include <iostream>

#ifdef _WIN32

#include <conio.h>
#include <io.h>

#include <cstdio>

namespace {

// Reads one key press from the console. Returns false when standard input
// is not a console.
bool readTerminalKey() {
  if (_isatty(_fileno(stdin)) == 0) return false;
  static_cast<void>(_getch());
  return true;
}

}  // namespace

#else

#include <termios.h>
#include <unistd.h>

#include <cerrno>

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

#endif

void waitForKey(std::istream& in) {
  if (&in == &std::cin && readTerminalKey()) return;
  in.get();
}
