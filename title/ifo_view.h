// A checked view over the bytes read from an information file: every field
// read names its offset and either lies wholly inside the bytes that are
// there or reports failure, so a count or offset read from the file can
// never lead a read outside them.
#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace vm
