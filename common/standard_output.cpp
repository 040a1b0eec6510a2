#include "standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

StandardOutput::int_type StandardOutput::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  return std::fputc(c, stdout) == EOF ? failed() : c;
}

std::streamsize StandardOutput::xsputn(const char* s, std::streamsize n) {
  const std::size_t written = std::fwrite(s, 1, static_cast<std::size_t>(n), stdout);
  if (written < static_cast<std::size_t>(n)) failed();
  return static_cast<std::streamsize>(written);
}

int StandardOutput::sync() { return std::fflush(stdout) == 0 ? 0 : failed(); }

int StandardOutput::failed() {
  if (cause == 0) cause = errno;
  return traits_type::eof();
}

int closeStandardOutput(const char* program, int status, const int& firstFailure) {
  std::cout.flush();
  int cause = firstFailure;
  bool lost = std::cout.fail() || std::ferror(stdout) != 0;
  // Nothing may flush stdout once it is closed, the library's own flush of
  // std::cout at exit included.
  std::cout.rdbuf(nullptr);
  errno = 0;
  if (std::fclose(stdout) != 0) {
    lost = true;
    if (cause == 0) cause = errno;
  }
  if (!lost) return status;
  std::cerr << program << ": standard output: "
            << (cause != 0 ? std::strerror(cause) : "write error") << std::endl;
  return 1;
}
