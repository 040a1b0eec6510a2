// A file read through the system's memory mapping: mmap on POSIX systems,
// MapViewOfFile on Windows. Only the pages that are read are brought in, so
// a look-up in a large file costs the pages it reads, not the file's size.
// The mapping stays valid when the file is renamed over or removed: a
// reader that opened an index keeps the file it opened.
#ifndef VERSEFIND_MAPPED_FILE_H
#define VERSEFIND_MAPPED_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // Maps the whole of the regular file `path` for reading. Returns false
  // with the system's reason in `cause` (an errno value; EINVAL when `path`
  // is no regular file, EFBIG when it is too large to map here).
  // REQUIRES: nothing is mapped yet.
  bool open(const std::string& path, int& cause);

  // The file's bytes (null for an empty file) and their number.
  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

// What tells that a file changed: its size in bytes and the time of its
// last change, in nanoseconds since 1970-01-01 UTC (the same instant gives
// the same number on every system). Returns false when the file cannot be
// looked up, with the system's reason in `cause`.
bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified, int& cause);

#endif  // VERSEFIND_MAPPED_FILE_H
