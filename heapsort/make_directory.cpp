#include "make_directory.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>

bool makeDirectory(const char* path) { return _mkdir(path) == 0; }

// The C library's rename refuses a target that exists here.
bool replaceFile(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : 0;
  return false;
}

#else
#include <sys/stat.h>

bool makeDirectory(const char* path) { return mkdir(path, 0777) == 0; }

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

#endif
