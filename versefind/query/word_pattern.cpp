#include "query/word_pattern.h"

#include <cstddef>

#include "utf8.h"

namespace {

// The bytes of the character of `key` that starts at `at`. REQUIRES: at < size.
std::size_t characterLength(std::string_view key, std::size_t at) {
  std::size_t length = 1;
  decodeUtf8(key, at, length);
  return length;
}

}  // namespace

bool isPattern(std::string_view word) {
  return word.find_first_of("*?") != std::string_view::npos;
}

bool matchesAlmostAll(std::string_view pattern) {
  return pattern.find_first_not_of("*?") == std::string_view::npos &&
         pattern.find(ANY_RUN) != std::string_view::npos;
}

std::string_view literalPrefix(std::string_view pattern) {
  return pattern.substr(0, pattern.find_first_of("*?"));
}

bool matchesPattern(std::string_view pattern, std::string_view key) {
  std::size_t p = 0;  // where the pattern is matched next
  std::size_t k = 0;  // where the key is
  // After the last star seen: where the pattern goes on, and where the key
  // stood when the star took nothing more; npos before any star.
  std::size_t afterStar = std::string_view::npos;
  std::size_t starTook = 0;
  while (k < key.size()) {
    if (p < pattern.size() && pattern[p] == ANY_RUN) {
      afterStar = ++p;
      starTook = k;
    } else if (p < pattern.size() && pattern[p] == ANY_ONE) {
      ++p;
      k += characterLength(key, k);
    } else if (p < pattern.size() && pattern[p] == key[k]) {
      // A literal byte. The literals are whole characters, so a match that
      // starts where a character of the key does ends where one does.
      ++p;
      ++k;
    } else if (afterStar != std::string_view::npos) {
      // The last star takes one character more, and the rest is matched
      // again after it.
      starTook += characterLength(key, starTook);
      k = starTook;
      p = afterStar;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == ANY_RUN) ++p;
  return p == pattern.size();
}
