// File-system helpers of the core: DVD file names looked up without regard
// to case, sizes from the directory, whole-buffer reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/fixed_string.h"

namespace vm {

// Looks for a regular file named `name` (ASCII case ignored) in `folder`
// (which ends in '/'). On success `found` is folder + the real name on disk.
// A directory of that name does not count.
bool FindFileNoCase(const char* folder, const char* name, Path& found);

// Size in bytes of a regular file, or -1.
int64_t FileSizeOf(const char* path);

bool IsDirectory(const char* path);
bool PathExists(const char* path);

// Reads up to `size` bytes from the start of the file; returns the count, or
// -1 when it cannot be opened.
int64_t ReadFileHead(const char* path, uint8_t* buf, size_t size);

// read(2)/write(2) until done or an error; return the bytes moved.
size_t ReadFully(int fd, void* buf, size_t n);
size_t WriteFully(int fd, const void* buf, size_t n);

// pread(2) at `at` until `n` bytes or the end of the file: the bytes read,
// or -1 on an error.
int64_t PreadFully(int fd, void* buf, size_t n, int64_t at);

// pwrite(2) at `at` until all `n` bytes are written; false on an error or
// a write that moves nothing (disk full, file size limit).
bool PwriteFully(int fd, const void* buf, size_t n, int64_t at);

// pread(2) as PreadFully; on an error the offset of the first 2048-byte
// piece that cannot be read is in `failedAt` (the bytes before it were
// read) and errno says why.
int64_t PreadFully(int fd, void* buf, size_t n, int64_t at, int64_t& failedAt);

// What tells one file from another and from itself after a change: the
// file (device and inode), its size and its last modification time. A
// zero identity is one never taken.
struct FileIdentity {
  uint64_t dev;
  uint64_t ino;
  int64_t size;
  int64_t mtimeSec;
  int64_t mtimeNsec;
};

// The identity of an open file, or of the file a path names (links
// followed). False when it cannot be taken.
bool IdentityOf(int fd, FileIdentity& id);
bool IdentityOf(const char* path, FileIdentity& id);
bool SameIdentity(const FileIdentity& a, const FileIdentity& b);
bool IdentityTaken(const FileIdentity& id);

// Asks the kernel to back the whole 2 MiB pages inside [p, p+n) with large
// pages, so that a big buffer is faulted in a few steps instead of one per
// 4 KiB page. Only a hint: nothing changes where it is not honoured.
void PreferLargePages(void* p, size_t n);

}  // namespace vm
