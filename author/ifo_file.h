// Writes an information-file image (IFO or its BUP copy) in one piece.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vm {

// Creates (truncating) `path` and writes `bytes` bytes. False when the file
// cannot be created, a write comes up short (disk full) or the close fails.
bool WriteIfoFile(const char* path, const uint8_t* data, size_t bytes);

}  // namespace vm
