#pragma once

// Cutting one fuzz input into the files a target writes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vm::fuzz {

// Writes n bytes (none for an empty file); false when that fails.
inline bool Put(const std::string& path, const uint8_t* p, size_t n) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = n == 0 || std::fwrite(p, 1, n, f) == n;
  return std::fclose(f) == 0 && ok;
}

// Takes a 2-byte length from the input and returns that many bytes (as many
// as there are), which the caller consumes next.
inline size_t Take(const uint8_t*& data, size_t& size) {
  if (size < 2) {
    size = 0;
    return 0;
  }
  size_t n = (size_t{data[0]} << 8) | data[1];
  data += 2;
  size -= 2;
  if (n > size) n = size;
  return n;
}

}  // namespace vm::fuzz
