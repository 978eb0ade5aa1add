// Whole files of a disc copied to the output folder without passing their
// bytes through this program: a clone of the source's blocks where the file
// system shares them (FICLONE on XFS and btrfs), else an in-kernel copy
// (copy_file_range), else a plain read and write.
#pragma once

#include <cstdint>

namespace vm {

enum class CopyWay : uint8_t { Cloned, KernelCopy, Buffered };

// Copies `source` to `target` (created or truncated; a symbolic link at the
// target is refused, not followed). False on any failure; a target left
// half-written is deleted. `way` tells how it went; `forceBuffered`, for
// tests, skips the first two ways.
bool CopyWholeFile(const char* source, const char* target, CopyWay& way,
                   bool forceBuffered = false);

}  // namespace vm
