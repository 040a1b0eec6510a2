// UTF-8 as both programs read it: one decoder, strict about what it takes.
#ifndef COMMON_UTF8_H
#define COMMON_UTF8_H

#include <cstddef>
#include <string_view>

// What decodeUtf8 gives for a byte that starts no whole character.
constexpr char32_t NOT_A_CHARACTER = 0xFFFFFFFF;

// Decodes the UTF-8 character that starts at byte `at` of `text` and stores
// its length in bytes; a byte that starts no whole, shortest-form sequence
// of a code point decodes alone, to NOT_A_CHARACTER. REQUIRES: at < size.
char32_t decodeUtf8(std::string_view text, std::size_t at, std::size_t& length);

// Whether the bytes from `at` to the end of `text` are the start of a
// character that more bytes could complete: a lead byte and fewer
// continuation bytes than it announces, each in the range it allows.
// REQUIRES: at < size.
bool startsUtf8(std::string_view text, std::size_t at);

#endif  // COMMON_UTF8_H
