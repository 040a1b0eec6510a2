#include "make_directory.h"

#ifdef _WIN32
#include <direct.h>

bool makeDirectory(const char* path) { return _mkdir(path) == 0; }

#else
#include <sys/stat.h>

bool makeDirectory(const char* path) { return mkdir(path, 0777) == 0; }

#endif
