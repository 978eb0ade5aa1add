// System clock reference of an MPEG-2 pack header. The program keeps the low
// 32 bits of the 33-bit SCR base (90 kHz ticks) and the 9-bit extension.
#pragma once

#include <cstdint>

namespace vm {

// Pack layout: start code 00 00 01 BA at 0, SCR in bytes 4..9.
constexpr int kPackScrOffset = 4;

// pack points at the start of the pack (the 00 00 01 BA start code).
inline uint32_t PackScr(const uint8_t* pack) {
  const uint8_t* b = pack + kPackScrOffset;
  return (static_cast<uint32_t>((b[0] >> 3) & 3) << 30) |
         (static_cast<uint32_t>(b[0] & 3) << 28) | (static_cast<uint32_t>(b[1]) << 20) |
         (static_cast<uint32_t>(b[2] >> 3) << 15) | (static_cast<uint32_t>(b[2] & 3) << 13) |
         (static_cast<uint32_t>(b[3]) << 5) | static_cast<uint32_t>(b[4] >> 3);
}

inline uint32_t PackScrExt(const uint8_t* pack) {
  const uint8_t* b = pack + kPackScrOffset;
  return (static_cast<uint32_t>(b[4] & 3) << 7) | (static_cast<uint32_t>(b[5]) >> 1);
}

// The 33-bit base (bit 32 included) and extension written back as the six
// SCR bytes with their marker bits; used by tests and fixtures.
inline void WritePackScr(uint8_t* pack, uint64_t base, uint32_t ext) {
  uint8_t* b = pack + kPackScrOffset;
  b[0] = static_cast<uint8_t>(0x44 | ((base >> 27) & 0x38) | ((base >> 28) & 3));
  b[1] = static_cast<uint8_t>(base >> 20);
  b[2] = static_cast<uint8_t>(((base >> 12) & 0xF8) | 4 | ((base >> 13) & 3));
  b[3] = static_cast<uint8_t>(base >> 5);
  b[4] = static_cast<uint8_t>(((base << 3) & 0xF8) | 4 | ((ext >> 7) & 3));
  b[5] = static_cast<uint8_t>(((ext << 1) & 0xFE) | 1);
}

}  // namespace vm
