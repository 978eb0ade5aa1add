#pragma once

// MSB-first bit reader over the elementary-stream buffer. Bits at and beyond
// the limit read as zero, so a slice that runs off the data ends instead of
// reading stale or foreign memory. Below the limit, bytes from `valid` on may
// not have been copied into the buffer yet: `extend` copies more of them and
// returns the new end of the copied bytes, before any of them is read.

#include <cstdint>
#include <cstring>

namespace vm::mpeg2 {

using ExtendBytes = uint32_t (*)(void* context);

class BitReader {
 public:
  BitReader(const uint8_t* data, uint32_t limit, uint64_t bitPos)
      : data_(data), valid_(limit), limit_(limit), pos_(bitPos) {}
  BitReader(const uint8_t* data, uint32_t valid, uint32_t limit, uint64_t bitPos, ExtendBytes extend,
            void* context)
      : data_(data), valid_(valid), limit_(limit), pos_(bitPos), extend_(extend), context_(context) {}

  // The next bits, first bit highest: at least 57 of them, zeros after.
  uint64_t Window() {
    const uint64_t byte = pos_ >> 3;
    uint64_t window = 0;
    if (byte + 8 <= valid_) {
      std::memcpy(&window, data_ + byte, 8);
      window = __builtin_bswap64(window);
    } else {
      while (valid_ < limit_ && byte + 8 > valid_) valid_ = extend_(context_);
      for (uint64_t i = 0; i < 8; ++i)
        window = (window << 8) | (byte + i < valid_ ? data_[byte + i] : 0u);
    }
    return window << (pos_ & 7);
  }

  // The next n bits (1..32) without consuming them.
  uint32_t Peek(int n) { return static_cast<uint32_t>(Window() >> (64 - n)); }

  void Skip(int n) { pos_ += static_cast<uint64_t>(n); }

  uint32_t Read(int n) {
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }

  // True once every remaining bit would read as zero.
  bool PastEnd() const { return (pos_ >> 3) >= limit_; }

 private:
  const uint8_t* data_;
  uint64_t valid_;
  uint64_t limit_;
  uint64_t pos_;
  ExtendBytes extend_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace vm::mpeg2
