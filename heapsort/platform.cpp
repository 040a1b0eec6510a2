#include "platform.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <conio.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <iostream>

bool makeDirectory(const char* path) { return _mkdir(path) == 0; }

bool seekFile(std::FILE* file, long long offset) { return _fseeki64(file, offset, SEEK_SET) == 0; }

Appending appendWhole(const char* path, const std::string& text, int& cause) {
  // Binary, with the line ends made here, so that what was written is
  // counted in the bytes the file holds.
  std::string lines;
  for (const char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  const int fd = _open(path, _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    cause = errno;
    return Appending::notOpened;
  }
  const long long before = _filelengthi64(fd);
  const auto size = static_cast<unsigned>(lines.size());
  const int written = _write(fd, lines.data(), size);
  bool whole = written >= 0 && static_cast<unsigned>(written) >= size;
  if (!whole) {
    cause = written < 0 ? errno : ENOSPC;
    if (before >= 0) static_cast<void>(_chsize_s(fd, before));
  }
  if (_close(fd) != 0 && whole) {
    cause = errno;
    whole = false;
  }
  return whole ? Appending::whole : Appending::notWritten;
}

#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool makeDirectory(const char* path) { return mkdir(path, 0777) == 0; }

bool seekFile(std::FILE* file, long long offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

Appending appendWhole(const char* path, const std::string& text, int& cause) {
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    cause = errno;
    return Appending::notOpened;
  }
  struct stat before {};
  const bool sized = fstat(fd, &before) == 0;
  const ssize_t written = write(fd, text.data(), text.size());
  bool whole = written == static_cast<ssize_t>(text.size());
  if (!whole) {
    // A write cut short tells no reason; the write of the rest does.
    cause = written < 0 ? errno : 0;
    if (written >= 0 && write(fd, text.data() + written, text.size() - written) < 0) cause = errno;
    if (sized) static_cast<void>(ftruncate(fd, before.st_size));
  }
  if (close(fd) != 0 && whole) {
    cause = errno;
    whole = false;
  }
  return whole ? Appending::whole : Appending::notWritten;
}

// A terminal window outlives the programs run in it.
#endif
