// Writing packs of the chunk to an output file without copying them through
// user space: runs of unchanged, source-contiguous packs go file to file with
// copy_file_range(2) (shared blocks on XFS/btrfs, an in-kernel copy on ext4)
// on a copier thread, while changed packs are written from the buffer into
// the gaps left for them. Where the kernel refuses the call the copier reads
// and writes the same bytes itself.
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
// False on a short write (disk full, file size limit, I/O error) or once a
// queued copy has failed. The copies may still be running on return.
bool WriteChunkPacks(AuthorState& a, const uint8_t* buf, int from, int to, int outFd);

// The copier's life for one title: started before the first chunk; drained
// before a source or output file it uses is closed; finished (drained and
// stopped) before the writer returns. Drain and Finish are false when a
// copy failed.
void StartPackCopies(const AuthorState& a);
bool DrainPackCopies();
bool FinishPackCopies();

// A write past RLIMIT_FSIZE must fail with EFBIG rather than kill the process.
void IgnoreFileSizeSignal();

}  // namespace vm
