// The key wait on each platform: a console key read without echo on
// Windows, the terminal switched to raw mode on POSIX systems, and one byte
// of the stream everywhere else. Then the questions about the terminal:
// whether a stream is one, its width, its colours.
#include "console.h"

#include <iostream>

namespace {

const char* const HINT = "  (press any key)";

}  // namespace

#ifdef _WIN32

#include <conio.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

bool inputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool outputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

int outputWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// Consoles before Windows 10 do not know the sequences: no colour there.
bool outputShowsColor() {
  const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(console, &mode) == 0) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

// Reads one key press from the console. A key without a character of its
// own (an arrow, a function key) comes as two codes, the first 0 or 0xE0.
void readKey() {
  // Keys typed ahead are dropped, so the wait asks for a new key press.
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  const int first = _getch();
  if (first == 0 || first == 0xE0) static_cast<void>(_getch());
}

}  // namespace

void holdConsoleAfterFailure(int status) {
  // A console shared with a command prompt counts at least two processes.
  DWORD processes[2];
  if (status == 0 || GetConsoleProcessList(processes, 2) != 1) return;
  std::cerr << HINT << std::flush;
  readKey();
  std::cerr << std::endl;
}

#else

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool inputIsTerminal() {
  termios now{};
  return tcgetattr(STDIN_FILENO, &now) == 0;
}

bool outputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

int outputWidth() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

bool outputShowsColor() { return true; }

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

// A terminal window outlives the programs run in it.
void holdConsoleAfterFailure(int /*status*/) {}

#endif

void waitForKey(std::istream& in, std::ostream& hint) {
  if (&in == &std::cin && inputIsTerminal()) {
    hint << HINT << std::flush;
    readKey();
    hint << std::endl;
    return;
  }
  in.get();
}

bool isTerminal(const std::istream& in) { return &in == &std::cin && inputIsTerminal(); }

bool isTerminal(const std::ostream& out) { return &out == &std::cout && outputIsTerminal(); }

int terminalWidth(const std::ostream& out) { return isTerminal(out) ? outputWidth() : 0; }

bool enableColor(const std::ostream& out) { return isTerminal(out) && outputShowsColor(); }
