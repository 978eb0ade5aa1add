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
int CopyRun(int inFd, int64_t inOffset, int outFd, size_t len, size_t& done) {
  done = 0;
  loff_t off = inOffset;
  while (done < len) {
    ssize_t r = copy_file_range(inFd, &off, outFd, nullptr, len - done, 0);
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
    int n = RunLength(src, i, to);
    off_t at = lseek(outFd, 0, SEEK_CUR);
    if (at < 0) return false;
    size_t len = static_cast<size_t>(n) * kPackBytes;
    size_t done = 0;
    int r = CopyRun(src.fd[i], src.offset[i], outFd, len, done);
    if (r < 0) return false;
    if (r == 0) {
      // Refused part way: the rest of the run (and of the creation) from
      // the buffer, which holds the same bytes.
      a.PlainWriteFallback = 1;
      size_t whole = done / kPackBytes * kPackBytes;
      if (lseek(outFd, at + static_cast<off_t>(whole), SEEK_SET) < 0) return false;
      done = whole;
      int copied = static_cast<int>(whole / kPackBytes);
      if (!WritePlain(buf, i + copied, i + n, outFd)) return false;
    }
    // Changed packs over their copies.
    for (int k = 0; k < static_cast<int>(done / kPackBytes); ++k) {
      if (!src.changed[i + k]) continue;
      const uint8_t* p = buf + static_cast<size_t>(i + k) * kPackBytes;
      if (!PwriteFully(outFd, p, kPackBytes, at + static_cast<off_t>(k) * kPackBytes)) {
        return false;
      }
    }
    i += n;
  }
  return true;
}

}  // namespace vm
