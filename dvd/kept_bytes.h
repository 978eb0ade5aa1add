// Bytes of an information file that the model does not interpret (reserved
// fields of a header, gaps and padding between tables, unknown tails) are
// kept as ranges of one byte pool, so the writer can put them back where
// they were. The reader copies the source file to the start of the pool,
// so a range of the source is a range of the pool at the same offset;
// callers may add bytes of their own after it.
#pragma once

#include <cstdint>
#include <cstring>

#include "dvd/ifo_status.h"
#include "dvd/ifo_view.h"

namespace vm::dvd {

// Largest information file the model reads (VIDEO_TS.IFO or VTS_nn_0.IFO).
constexpr uint32_t kMaxIfoBytes = 8u << 20;
// The pool: the source file and room for bytes a caller adds.
constexpr uint32_t kPoolBytes = kMaxIfoBytes + (1u << 20);

constexpr uint32_t kIfoSectorBytes = 2048;

struct Keep {
  uint32_t at = 0;
  uint32_t len = 0;
};

struct BytePool {
  uint32_t used = 0;
  uint8_t bytes[kPoolBytes];

  const uint8_t* At(Keep k) const { return bytes + k.at; }
  // Appends `len` bytes; false when the pool is full.
  bool Add(const uint8_t* p, uint32_t len, Keep& k) {
    if (len > kPoolBytes - used) return false;
    if (len > 0) std::memmove(bytes + used, p, len);
    k = {used, len};
    used += len;
    return true;
  }
};

// The source range [from, to) as kept bytes (empty when to <= from).
inline Keep SourceRange(uint64_t from, uint64_t to) {
  if (to <= from) return {};
  return {static_cast<uint32_t>(from), static_cast<uint32_t>(to - from)};
}

[[nodiscard]] inline bool PutKept(IfoOut& out, uint64_t at, const BytePool& pool, Keep k) {
  return out.Bytes(at, pool.At(k), k.len);
}

inline uint64_t RoundUpToSector(uint64_t n) {
  return (n + kIfoSectorBytes - 1) / kIfoSectorBytes * kIfoSectorBytes;
}

}  // namespace vm::dvd
