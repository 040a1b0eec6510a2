#include "platform/mapped_file.h"

#include <cassert>
#include <cerrno>
#include <cstdint>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32

MappedFile::~MappedFile() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
}

bool MappedFile::open(const std::string& path, int& cause) {
  assert(data_ == nullptr && size_ == 0);
  // Shared for deletion too, so that a later build can rename a new index
  // over this one while it is read.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    cause = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return false;
  }
  LARGE_INTEGER length{};
  if (GetFileType(file) != FILE_TYPE_DISK || GetFileSizeEx(file, &length) == 0) {
    CloseHandle(file);
    cause = EINVAL;
    return false;
  }
  if (static_cast<std::uint64_t>(length.QuadPart) > std::numeric_limits<std::size_t>::max()) {
    CloseHandle(file);
    cause = EFBIG;
    return false;
  }
  size_ = static_cast<std::size_t>(length.QuadPart);
  if (size_ == 0) {  // an empty file cannot be mapped, and holds nothing to map
    CloseHandle(file);
    return true;
  }
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (mapping == nullptr) {
    size_ = 0;
    cause = EACCES;
    return false;
  }
  // The view keeps the mapping, and the mapping the file, open.
  data_ = static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  CloseHandle(mapping);
  if (data_ == nullptr) {
    size_ = 0;
    cause = ENOMEM;
    return false;
  }
  return true;
}

bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified, int& cause) {
  WIN32_FILE_ATTRIBUTE_DATA facts{};
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &facts) == 0) {
    const DWORD error = GetLastError();
    cause = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return false;
  }
  size = static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32 | facts.nFileSizeLow;
  // FILETIME counts 100 ns from 1601-01-01; 1970 is 11,644,473,600 s later.
  const std::int64_t ticks = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(facts.ftLastWriteTime.dwHighDateTime) << 32 |
      facts.ftLastWriteTime.dwLowDateTime);
  modified = (ticks - 116444736000000000LL) * 100;
  return true;
}

#else

MappedFile::~MappedFile() {
  if (data_ != nullptr) munmap(const_cast<unsigned char*>(data_), size_);
}

bool MappedFile::open(const std::string& path, int& cause) {
  assert(data_ == nullptr && size_ == 0);
  // O_NONBLOCK: should a FIFO stand there by now, opening it does not wait.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    cause = errno;
    return false;
  }
  struct stat facts {};
  if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    cause = EINVAL;
    close(fd);
    return false;
  }
  if (static_cast<std::uint64_t>(facts.st_size) > std::numeric_limits<std::size_t>::max()) {
    cause = EFBIG;
    close(fd);
    return false;
  }
  const auto length = static_cast<std::size_t>(facts.st_size);
  if (length > 0) {
    void* const mapped = mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
      cause = errno;
      close(fd);
      return false;
    }
    data_ = static_cast<const unsigned char*>(mapped);
  }
  size_ = length;
  close(fd);  // the mapping keeps the file
  return true;
}

bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified, int& cause) {
  struct stat facts {};
  if (stat(path.c_str(), &facts) != 0) {
    cause = errno;
    return false;
  }
  size = static_cast<std::uint64_t>(facts.st_size);
#ifdef __APPLE__
  const struct timespec& time = facts.st_mtimespec;
#else
  const struct timespec& time = facts.st_mtim;
#endif
  // To the 100 ns that Windows keeps, so that an index built here answers
  // there, and the other way round, for the same file.
  modified = static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec / 100 * 100;
  return true;
}

#endif
