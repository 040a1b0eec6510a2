// The hash of a word for the tables that find words by open addressing:
// FNV-1a over its bytes, 64 bits, its halves folded together so that the
// low bits, which pick a slot, depend on every byte.
#ifndef VERSEFIND_WORD_HASH_H
#define VERSEFIND_WORD_HASH_H

#include <cstdint>
#include <string_view>

inline std::uint64_t wordHash(std::string_view word) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : word) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash ^ (hash >> 32);
}

#endif  // VERSEFIND_WORD_HASH_H
