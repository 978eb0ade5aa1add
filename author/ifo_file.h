// Writes an information-file image (IFO or its BUP copy) in one piece.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vm {

// Writes `bytes` bytes as the whole of `path`, through the output check
// against `inputFolder`. False when the file is refused or cannot be
// created, a write comes up short (disk full) or the close fails; then no
// half file is left.
bool WriteIfoFile(const char* path, const char* inputFolder, const uint8_t* data, size_t bytes);

}  // namespace vm
