// The platform calls heapsort needs: making a folder, moving in a large
// file, appending a line to a log whole, keeping a console window of its
// own open after a failure, and a hint to the cache.
#ifndef HEAPSORT_PLATFORM_H
#define HEAPSORT_PLATFORM_H

#include <cstdio>
#include <string>

// Creates the directory `path` (one level, with the default permissions).
// Returns false when it could not be made, including when it already exists.
bool makeDirectory(const char* path);

// Moves `file` to byte `offset`, which may lie past 2 GiB. Returns false
// when it cannot.
bool seekFile(std::FILE* file, long long offset);

// How appendWhole ended.
enum class Appending { whole, notOpened, notWritten };

// Appends `text` to the file `path`, creating it when it is missing, in one
// write: two runs at once never interleave their texts. When the text
// cannot be written whole (a full disk, a file-size limit), the file is
// cut back to its size before, so that no torn line stays. Sets `cause`
// to the system's reason (an errno value) when it was not whole.
Appending appendWhole(const char* path, const std::string& text, int& cause);

// Asks the processor to bring the cache line at `address` in for reading,
// without waiting for it: a hint, which a compiler without one ignores.
inline void prefetchLine(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#else
  static_cast<void>(address);
#endif
}

#endif  // HEAPSORT_PLATFORM_H
