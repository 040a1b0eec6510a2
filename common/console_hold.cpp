#include "console_hold.h"

#ifdef _WIN32

#include <conio.h>
#include <windows.h>

#include <iostream>

void holdConsoleAfterFailure(int status) {
  // A console shared with a command prompt counts at least two processes.
  DWORD processes[2];
  if (status == 0 || GetConsoleProcessList(processes, 2) != 1) return;
  std::cerr << "  (press any key)" << std::flush;
  // Keys typed ahead are dropped, so the wait asks for a new key press. A
  // key without a character of its own (an arrow, a function key) comes as
  // two codes, the first 0 or 0xE0.
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  const int first = _getch();
  if (first == 0 || first == 0xE0) static_cast<void>(_getch());
  std::cerr << std::endl;
}

#else

void holdConsoleAfterFailure(int /*status*/) {}

#endif
