#include "utf8.h"

namespace {

// The bytes a character with lead byte `lead` takes after it, and the range
// its first continuation byte may take (shortest form, no surrogate, at
// most U+10FFFF); false for a byte that leads no character.
bool leadOf(unsigned char lead, std::size_t& more, unsigned char& low, unsigned char& high) {
  low = 0x80;
  high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  return true;
}

}  // namespace

char32_t decodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t more = 0;
  unsigned char low = 0;
  unsigned char high = 0;
  if (!leadOf(lead, more, low, high)) return NOT_A_CHARACTER;
  if (text.size() - at <= more) return NOT_A_CHARACTER;
  // The lead keeps 6 - more bits of the value: 5, 4 or 3.
  char32_t value = lead & (0x3Fu >> more);
  for (std::size_t i = 1; i <= more; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if (next < low || next > high) return NOT_A_CHARACTER;
    value = (value << 6) | (next & 0x3Fu);
    low = 0x80;
    high = 0xBF;
  }
  length = more + 1;
  return value;
}

bool startsUtf8(std::string_view text, std::size_t at) {
  std::size_t more = 0;
  unsigned char low = 0;
  unsigned char high = 0;
  if (!leadOf(static_cast<unsigned char>(text[at]), more, low, high)) return false;
  if (text.size() - at > more) return false;
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if (next < low || next > high) return false;
    low = 0x80;
    high = 0xBF;
  }
  return true;
}
