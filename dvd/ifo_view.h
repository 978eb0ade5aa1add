// A checked view over the bytes read from an information file, and its
// counterpart for writing one: every field names its offset and either lies
// wholly inside the bytes that are there or reports failure, so a count or
// offset read from the file can never lead a read or a write outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/be.h"

namespace vm {

class IfoView {
 public:
  IfoView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t size() const { return size_; }

  // True when `width` bytes at `offset` are inside the view (no wrap).
  bool Has(uint64_t offset, uint64_t width) const {
    return offset <= size_ && width <= size_ - offset;
  }

  [[nodiscard]] bool U8(uint64_t offset, uint32_t& v) const {
    if (!Has(offset, 1)) return false;
    v = data_[offset];
    return true;
  }
  [[nodiscard]] bool U16(uint64_t offset, uint32_t& v) const {
    if (!Has(offset, 2)) return false;
    v = ReadBe16(data_ + offset);
    return true;
  }
  [[nodiscard]] bool U32(uint64_t offset, uint32_t& v) const {
    if (!Has(offset, 4)) return false;
    v = ReadBe32(data_ + offset);
    return true;
  }
  // The `width` bytes at `offset`, or nullptr when they are not all there.
  const uint8_t* Bytes(uint64_t offset, uint64_t width) const {
    return Has(offset, width) ? data_ + offset : nullptr;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// The writing side: a fixed buffer of `capacity` bytes; `size()` is the end
// of the furthest byte written. A write that would pass the capacity
// writes nothing and returns false.
class IfoOut {
 public:
  IfoOut(uint8_t* data, size_t capacity) : data_(data), capacity_(capacity) {}

  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }

  bool Has(uint64_t offset, uint64_t width) const {
    return offset <= capacity_ && width <= capacity_ - offset;
  }
  [[nodiscard]] bool U8(uint64_t offset, uint32_t v) {
    if (!Claim(offset, 1)) return false;
    data_[offset] = static_cast<uint8_t>(v);
    return true;
  }
  [[nodiscard]] bool U16(uint64_t offset, uint32_t v) {
    if (!Claim(offset, 2)) return false;
    WriteBe16(data_ + offset, v);
    return true;
  }
  [[nodiscard]] bool U32(uint64_t offset, uint32_t v) {
    if (!Claim(offset, 4)) return false;
    WriteBe32(data_ + offset, v);
    return true;
  }
  [[nodiscard]] bool Bytes(uint64_t offset, const uint8_t* p, uint64_t width) {
    if (!Claim(offset, width)) return false;
    if (width > 0) std::memmove(data_ + offset, p, width);
    return true;
  }
  [[nodiscard]] bool Zero(uint64_t offset, uint64_t width) {
    if (!Claim(offset, width)) return false;
    if (width > 0) std::memset(data_ + offset, 0, width);
    return true;
  }

 private:
  bool Claim(uint64_t offset, uint64_t width) {
    if (!Has(offset, width)) return false;
    if (offset + width > size_) size_ = offset + width;
    return true;
  }
  uint8_t* data_;
  size_t capacity_;
  size_t size_ = 0;
};

}  // namespace vm
