#include "platform.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <conio.h>
#include <direct.h>
#include <windows.h>

#include <iostream>

bool makeDirectory(const char* path) { return _mkdir(path) == 0; }

// The C library's rename refuses a target that exists here.
bool replaceFile(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : 0;
  return false;
}

void holdConsoleAfterFailure(int status) {
  // A console shared with a command prompt counts at least two processes.
  DWORD processes[2];
  if (status == 0 || GetConsoleProcessList(processes, 2) != 1) return;
  std::cerr << "  (press any key)" << std::flush;
  // A key without a character of its own (an arrow, a function key) comes
  // as two codes, the first 0 or 0xE0.
  const int first = _getch();
  if (first == 0 || first == 0xE0) static_cast<void>(_getch());
  std::cerr << std::endl;
}

#else
#include <sys/stat.h>

bool makeDirectory(const char* path) { return mkdir(path, 0777) == 0; }

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

// A terminal window outlives the programs run in it.
void holdConsoleAfterFailure(int /*status*/) {}

#endif
