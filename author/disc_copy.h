// Whole files of a disc copied to the output folder without passing their
// bytes through this program: a clone of the source's blocks where the file
// system shares them (FICLONE on XFS and btrfs), else an in-kernel copy
// (copy_file_range), else a plain read and write.
#pragma once

#include <cstdint>

namespace vm {

enum class CopyWay : uint8_t { Cloned, KernelCopy, Buffered };

// Copies `source` to `target` (created or truncated; a symbolic link at the
// target is refused, not followed, and a target the output check refuses
// against `inputFolder` is never opened). False on any failure; a target
// left half-written is deleted. `way` tells how it went; `forceBuffered`,
// for tests, skips the first two ways.
bool CopyWholeFile(const char* source, const char* target, const char* inputFolder, CopyWay& way,
                   bool forceBuffered = false);

// Asks the file system to copy a shared block alone when it is written
// over, not the extent around it: XFS otherwise moves 128 KiB or more for
// each rewritten navigation pack, and a title set whose every VOBU changes
// one pack takes its whole size again. Only a hint; where the file system
// has no such setting nothing changes.
void PreferSmallCopyOnWrite(int fd);

}  // namespace vm
