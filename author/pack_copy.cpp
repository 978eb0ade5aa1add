#include "author/pack_copy.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "author/nav_pack.h"
#include "common/files.h"

namespace vm {

void MoveChunkPack(uint8_t* buf, ChunkPackSources& src, int to, int from) {
  if (to == from) return;
  std::memmove(buf + static_cast<size_t>(to) * kPackBytes,
               buf + static_cast<size_t>(from) * kPackBytes, kPackBytes);
  src.fd[to] = src.fd[from];
  src.offset[to] = src.offset[from];
  src.list[to] = src.list[from];
  src.changed[to] = src.changed[from];
}

void NoteChunkPacks(ChunkPackSources& src, int first, int count, int fd, int64_t offset,
                    int list) {
  for (int i = 0; i < count; ++i) {
    src.fd[first + i] = fd;
    src.offset[first + i] = offset + static_cast<int64_t>(i) * kPackBytes;
    src.list[first + i] = list;
    src.changed[first + i] = 0;
  }
}

void IgnoreFileSizeSignal() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &sa, nullptr);
}

namespace {

bool IsRefusal(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

// Length in packs of the source-contiguous run starting at pack i.
int RunLength(const ChunkPackSources& src, int i, int to) {
  int n = 1;
  while (i + n < to && src.fd[i + n] == src.fd[i] &&
         src.offset[i + n] == src.offset[i] + static_cast<int64_t>(n) * kPackBytes) {
    ++n;
  }
  return n;
}

// 1 copied, 0 refused by the kernel (nothing more copied), -1 failed.
// `done` counts the bytes that did arrive.
int CopyRun(int inFd, int64_t inOffset, int outFd, off_t outOffset, size_t len, size_t& done) {
  done = 0;
  loff_t off = inOffset;
  loff_t outOff = outOffset;
  while (done < len) {
    ssize_t r = copy_file_range(inFd, &off, outFd, &outOff, len - done, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return IsRefusal(errno) ? 0 : -1;
    if (r == 0) return 0;  // source shorter than read: take the buffer
    done += static_cast<size_t>(r);
  }
  return 1;
}

bool WritePlain(const uint8_t* buf, int from, int to, int outFd) {
  size_t len = static_cast<size_t>(to - from) * kPackBytes;
  return WriteFully(outFd, buf + static_cast<size_t>(from) * kPackBytes, len) == len;
}

bool PwriteFully(int fd, const uint8_t* p, size_t n, off_t at) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = pwrite(fd, p + done, n - done, at + static_cast<off_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

}  // namespace

// Where the source and output offsets of a run agree modulo this size the
// copied blocks can be shared with the source (XFS and btrfs as usually
// made). A block holding a changed pack is written from the buffer instead
// of being shared and then overwritten: an overwrite of a shared block
// makes the filesystem reserve a whole copy-on-write extent for it.
constexpr int64_t kShareBlockBytes = 4096;
constexpr int kShareBlockPacks = static_cast<int>(kShareBlockBytes / kPackBytes);

namespace {

// True when pack k of the run [i, i+n), written at output offset `at`,
// lies in an output block that is not whole inside the run or that holds a
// changed pack.
bool InPlainBlock(const ChunkPackSources& src, int i, int n, off_t at, int k) {
  const int64_t packOfBlock = (at / kPackBytes + k) % kShareBlockPacks;
  const int first = k - static_cast<int>(packOfBlock);
  const int last = first + kShareBlockPacks - 1;
  if (first < 0 || last >= n) return true;
  for (int j = first; j <= last; ++j) {
    if (src.changed[i + j]) return true;
  }
  return false;
}

// Writes the run [i, i+n) at output offset `at`: shareable block spans with
// copy_file_range, the other packs from the buffer. False on a failure.
bool WriteSharedRun(AuthorState& a, const uint8_t* buf, int i, int n, int outFd, off_t at) {
  const ChunkPackSources& src = a.ChunkSrc;
  int k = 0;
  while (k < n) {
    const bool plain = a.PlainWriteFallback || InPlainBlock(src, i, n, at, k);
    int end = k + 1;
    while (end < n && !a.PlainWriteFallback && InPlainBlock(src, i, n, at, end) == plain) ++end;
    if (a.PlainWriteFallback) end = n;
    const off_t to = at + static_cast<off_t>(k) * kPackBytes;
    const size_t len = static_cast<size_t>(end - k) * kPackBytes;
    if (plain) {
      if (!PwriteFully(outFd, buf + static_cast<size_t>(i + k) * kPackBytes, len, to)) return false;
      k = end;
      continue;
    }
    size_t done = 0;
    const int r = CopyRun(src.fd[i + k], src.offset[i + k], outFd, to, len, done);
    if (r < 0) return false;
    if (r == 0) {
      // Refused part way: the rest of the creation from the buffer, which
      // holds the same bytes.
      a.PlainWriteFallback = 1;
      k += static_cast<int>(done / kPackBytes);
      continue;
    }
    k = end;
  }
  return true;
}

}  // namespace

bool WriteChunkPacks(AuthorState& a, const uint8_t* buf, int from, int to, int outFd) {
  const ChunkPackSources& src = a.ChunkSrc;
  int i = from;
  while (i < to) {
    if (a.ForcePlainWrite || a.PlainWriteFallback || src.fd[i] < 0) {
      int n = a.ForcePlainWrite || a.PlainWriteFallback ? to - i : 1;
      if (!WritePlain(buf, i, i + n, outFd)) return false;
      i += n;
      continue;
    }
    const int n = RunLength(src, i, to);
    const off_t at = lseek(outFd, 0, SEEK_CUR);
    if (at < 0) return false;
    const off_t len = static_cast<off_t>(n) * kPackBytes;
    if ((src.offset[i] - at) % kShareBlockBytes == 0) {
      if (!WriteSharedRun(a, buf, i, n, outFd, at)) return false;
    } else {
      // No block can be shared: one copy of the whole run, the changed
      // packs over it.
      size_t done = 0;
      const int r = CopyRun(src.fd[i], src.offset[i], outFd, at, static_cast<size_t>(len), done);
      if (r < 0) return false;
      size_t whole = done / kPackBytes * kPackBytes;
      if (r == 0) {
        a.PlainWriteFallback = 1;
        const int copied = static_cast<int>(whole / kPackBytes);
        if (!PwriteFully(outFd, buf + static_cast<size_t>(i + copied) * kPackBytes,
                         static_cast<size_t>(len) - whole, at + static_cast<off_t>(whole)))
          return false;
      }
      for (int k = 0; k < static_cast<int>(whole / kPackBytes); ++k) {
        if (!src.changed[i + k]) continue;
        const uint8_t* p = buf + static_cast<size_t>(i + k) * kPackBytes;
        if (!PwriteFully(outFd, p, kPackBytes, at + static_cast<off_t>(k) * kPackBytes)) return false;
      }
    }
    if (lseek(outFd, at + len, SEEK_SET) < 0) return false;
    i += n;
  }
  return true;
}

}  // namespace vm
