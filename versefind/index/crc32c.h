// CRC-32C (Castagnoli), the checksum of the index file's pages and sections:
// the reflected polynomial 0x82F63B78, started at all ones and inverted at
// the end, as iSCSI and ext4 compute it. crc32c("123456789") is 0xE3069283.
#ifndef VERSEFIND_CRC32C_H
#define VERSEFIND_CRC32C_H

#include <cstddef>
#include <cstdint>

// The CRC-32C of `size` bytes at `data`. To checksum data in pieces, pass
// the result of the pieces before as `previous` (0 for the first piece).
// It takes the processor's crc32 instruction where there is one (x86-64
// with SSE 4.2), and tables otherwise.
std::uint32_t crc32c(const void* data, std::size_t size, std::uint32_t previous = 0);

// The same checksum by tables alone, on any processor; and whether crc32c
// takes the instruction here.
std::uint32_t crc32cByTable(const void* data, std::size_t size, std::uint32_t previous = 0);
bool crc32cHasInstruction();

#endif  // VERSEFIND_CRC32C_H
