#include "index/crc32c.h"

#include <array>
#include <cstring>

#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
#include <nmmintrin.h>
#define VERSEFIND_CRC32C_INSTRUCTION 1
#endif

namespace {

// Eight tables, so that the loop takes eight bytes a step ("slicing by
// eight"): table[0] is the classic byte-at-a-time table, table[k] the CRC
// of a byte followed by k zero bytes. Made at compile time, held read-only.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
  Tables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0x82F63B78U & (0U - (crc & 1U)));
    tables[0][byte] = crc;
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t byte = 0; byte < 256; ++byte) {
      const std::uint32_t before = tables[k - 1][byte];
      tables[k][byte] = (before >> 8) ^ tables[0][before & 0xFFU];
    }
  }
  return tables;
}

constexpr Tables TABLES = makeTables();

}  // namespace

std::uint32_t crc32cByTable(const void* data, std::size_t size, std::uint32_t previous) {
  const auto* byte = static_cast<const unsigned char*>(data);
  std::uint32_t crc = ~previous;
  for (; size >= 8; size -= 8, byte += 8) {
    // The bytes are combined one by one, so the result is the same on a
    // machine of either byte order.
    const std::uint32_t low = crc ^ (static_cast<std::uint32_t>(byte[0]) |
                                     static_cast<std::uint32_t>(byte[1]) << 8 |
                                     static_cast<std::uint32_t>(byte[2]) << 16 |
                                     static_cast<std::uint32_t>(byte[3]) << 24);
    crc = TABLES[7][low & 0xFFU] ^ TABLES[6][(low >> 8) & 0xFFU] ^ TABLES[5][(low >> 16) & 0xFFU] ^
          TABLES[4][low >> 24] ^ TABLES[3][byte[4]] ^ TABLES[2][byte[5]] ^ TABLES[1][byte[6]] ^
          TABLES[0][byte[7]];
  }
  for (; size > 0; --size, ++byte) crc = (crc >> 8) ^ TABLES[0][(crc ^ *byte) & 0xFFU];
  return ~crc;
}

#ifdef VERSEFIND_CRC32C_INSTRUCTION

namespace {

// SSE 4.2's crc32 instruction computes this very CRC, eight bytes a step.
__attribute__((target("sse4.2"))) std::uint32_t crc32cByInstruction(const void* data, std::size_t size,
                                                                     std::uint32_t previous) {
  const auto* byte = static_cast<const unsigned char*>(data);
  std::uint64_t crc = ~previous;
  for (; size >= 8; size -= 8, byte += 8) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, byte, 8);  // x86 is little-endian, as the CRC reads
    crc = _mm_crc32_u64(crc, eight);
  }
  auto crc32 = static_cast<std::uint32_t>(crc);
  for (; size > 0; --size, ++byte) crc32 = _mm_crc32_u8(crc32, *byte);
  return ~crc32;
}

}  // namespace

bool crc32cHasInstruction() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("sse4.2"));
  return has;
}

std::uint32_t crc32c(const void* data, std::size_t size, std::uint32_t previous) {
  return crc32cHasInstruction() ? crc32cByInstruction(data, size, previous) : crc32cByTable(data, size, previous);
}

#else

bool crc32cHasInstruction() { return false; }

std::uint32_t crc32c(const void* data, std::size_t size, std::uint32_t previous) {
  return crc32cByTable(data, size, previous);
}

#endif
