// Files as the tests see them: whole-file writing and reading, what a text
// file reads as on this platform, and random bytes to fill one with.
#ifndef TESTING_TEST_FILES_H
#define TESTING_TEST_FILES_H

#include <cstddef>
#include <filesystem>
#include <string>

// Whether the tests run on Windows, where text files and the console end
// lines with CR LF and a few POSIX-only checks do not apply.
#ifdef _WIN32
constexpr bool ON_WINDOWS = true;
#else
constexpr bool ON_WINDOWS = false;
#endif

// Writes `bytes` to `file` exactly, replacing what it held.
void writeFile(const std::filesystem::path& file, const std::string& bytes);

// The whole content of `file` read as text (on Windows a CR LF reads as a
// line feed), or an empty string when it cannot be read.
std::string readFile(const std::filesystem::path& file);

// The whole content of `file` as bytes, on every system; empty when it
// cannot be read.
std::string readBytes(const std::filesystem::path& file);

// What a program reading `bytes` as a text file sees: the bytes themselves,
// except on Windows, where a CR LF reads as a line feed and a Ctrl-Z byte
// ends the file.
std::string asReadInTextMode(const std::string& bytes);

// A file that opens and then fails at its first read, where this platform
// has one and its standard library reports the failure (Linux's
// /proc/self/mem with libstdc++); "" elsewhere, where some libraries take a
// failed read for the end of the file.
std::string unreadableFile();

// `size` bytes of every value, the same for the same seed.
std::string randomBytes(std::size_t size, unsigned seed);

#endif  // TESTING_TEST_FILES_H
