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

// GetTempFileName makes the file "hsXXXX.tmp", XXXX the first free number
// in hexadecimal.
bool makeUniqueFile(const std::string& folder, std::string& path) {
  char name[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "hs", 0, name) == 0) {
    const DWORD error = GetLastError();
    errno = error == ERROR_ACCESS_DENIED                                   ? EACCES
            : error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ? ENOENT
                                                                           : 0;
    return false;
  }
  path = name;
  return true;
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
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

bool makeDirectory(const char* path) { return mkdir(path, 0777) == 0; }

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool makeUniqueFile(const std::string& folder, std::string& path) {
  const std::string pattern = folder + "/.heapsort-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd == -1) return false;
  // mkstemp keeps the file to its owner; the result it becomes gets the
  // permissions of any file the user creates.
  const mode_t mask = umask(0);
  umask(mask);
  static_cast<void>(fchmod(fd, 0666 & ~mask));
  close(fd);
  path = name.data();
  return true;
}

// A terminal window outlives the programs run in it.
void holdConsoleAfterFailure(int /*status*/) {}

#endif
