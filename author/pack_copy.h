// Writing packs of the chunk to an output file without copying them through
// user space: runs of unchanged, source-contiguous packs go file to file with
// copy_file_range(2) (shared blocks on XFS/btrfs, an in-kernel copy on ext4),
// changed packs are written over them from the buffer. Where the kernel
// refuses the call the buffer is written with write(2); the bytes are the same.
#pragma once

#include <cstdint>

#include "author/author_state.h"

namespace vm {

// Moves pack `from` of the chunk to position `to` (to <= from), with its
// source record.
void MoveChunkPack(uint8_t* buf, ChunkPackSources& src, int to, int from);

// Records packs first .. first+count-1 as read from `fd` at `offset`.
void NoteChunkPacks(ChunkPackSources& src, int first, int count, int fd, int64_t offset,
                    int list);

// Appends packs from .. to-1 of the chunk to `outFd` at its file offset.
// False on a short write (disk full, file size limit, I/O error).
bool WriteChunkPacks(AuthorState& a, const uint8_t* buf, int from, int to, int outFd);

// A write past RLIMIT_FSIZE must fail with EFBIG rather than kill the process.
void IgnoreFileSizeSignal();

}  // namespace vm
