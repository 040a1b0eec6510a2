// The key wait on each platform: a console key read without echo on
// Windows, the terminal switched to raw mode on POSIX systems, and one byte
// of the stream everywhere else.
#include "console.h"

#include <iostream>

namespace {

const char* const HINT = "  (press any key)";

}  // namespace

#ifdef _WIN32

#include <conio.h>
#include <io.h>

#include <cstdio>

namespace {

bool isTerminal() { return _isatty(_fileno(stdin)) != 0; }

// Reads one key press from the console. A key without a character of its
// own (an arrow, a function key) comes as two codes, the first 0 or 0xE0.
void readKey() {
  const int first = _getch();
  if (first == 0 || first == 0xE0) static_cast<void>(_getch());
}

}  // namespace

#else

#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool isTerminal() {
  termios now{};
  return tcgetattr(STDIN_FILENO, &now) == 0;
}

// Reads one byte from the terminal; returns false when none came.
bool readByte(unsigned char& byte) {
  ssize_t got = 0;
  do {
    got = read(STDIN_FILENO, &byte, 1);
  } while (got < 0 && errno == EINTR);
  return got == 1;
}

// Reads one key from the terminal in raw mode, then restores its settings.
void readKey() {
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  // No line editing, no echo, and Ctrl-C is a key like any other, so the
  // settings are always restored.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSAFLUSH drops keys typed ahead, so the wait asks for a new key press.
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) return;
  unsigned char first = 0;
  if (readByte(first) && (first == 0x1B || first >= 0xC0)) {
    // An arrow or a function key sends an escape sequence, and a letter
    // outside ASCII several bytes: whatever follows within a tenth of a
    // second belongs to the same key, and is not left for the shell.
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 1;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
      unsigned char rest = 0;
      while (readByte(rest)) {
      }
    }
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

#endif

void waitForKey(std::istream& in, std::ostream& hint) {
  if (&in == &std::cin && isTerminal()) {
    hint << HINT << std::flush;
    readKey();
    hint << std::endl;
    return;
  }
  in.get();
}
