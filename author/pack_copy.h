// Writing packs of the chunk to an output file without copying them through
// user space: the packs of one source file that land one after another in
// one output file form a run, copied file to file with one
// copy_file_range(2) (shared blocks on XFS/btrfs, an in-kernel copy on
// ext4) once the run ends; the packs that differ from the source (the
// rewritten navigation packs) are kept until then and written over the
// copy in place. Where the kernel refuses the call the same bytes are read
// and written through a buffer.
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

// Appends packs from .. to-1 of the chunk to `outFd` at its file offset
// (which moves past them). Unchanged packs join the pending run; the bytes
// may be written only when the run is flushed. False on a short write
// (disk full, file size limit, I/O error).
bool WriteChunkPacks(AuthorState& a, const uint8_t* buf, int from, int to, int outFd);

// The run's life for one title: started empty before the first chunk;
// flushed (copied, then patched) before a source or output file it uses is
// closed and at the end. False when a copy or write failed.
void StartPackCopies(AuthorState& a);
bool FlushPackCopies(AuthorState& a);

// A write past RLIMIT_FSIZE must fail with EFBIG rather than kill the process.
void IgnoreFileSizeSignal();

}  // namespace vm
