#include "author/pack_copy.h"

#include <sys/types.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "common/files.h"
#include "dvd/nav_pack.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets

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

constexpr size_t kBounceBytes = 1u << 20;
uint8_t g_bounce[kBounceBytes];  // for copies the kernel refuses

bool IsRefusal(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

// Bytes of the run from output offset `out` on, `len` of them, file to
// file; where the kernel refuses, through the bounce buffer from the same
// source.
// Records a failure of the run's source at byte `at`.
bool SourceFailed(PackRun& run, int32_t fault, int64_t at, int err) {
  run.inFault = fault;
  run.inFaultAt = at;
  run.inFaultErrno = err;
  return false;
}

bool CopyPart(PackRun& run, int64_t from, int64_t len) {
  loff_t in = run.in + (from - run.out), out = from;
  int64_t left = len;
  while (left > 0 && !run.refused) {
    const ssize_t r = copy_file_range(run.inFd, &in, run.outFd, &out, static_cast<size_t>(left), 0);
    if (r < 0 && errno == EINTR) continue;
    // Any other failure (an I/O error, a source that ends early) is copied
    // on through the buffer below, which tells the source's fault from the
    // output's and where it lies.
    if (r <= 0) {
      if (r == 0 || IsRefusal(errno)) run.refused = 1;
      break;
    }
    left -= r;
  }
  while (left > 0) {
    const size_t want =
        left < static_cast<int64_t>(kBounceBytes) ? static_cast<size_t>(left) : kBounceBytes;
    int64_t failedAt = in;
    const int64_t r = PreadFully(run.inFd, g_bounce, want, in, failedAt);
    if (r < 0) return SourceFailed(run, kSourceReadError, failedAt, errno);
    if (r == 0) return SourceFailed(run, kSourceEndedEarly, in, 0);
    if (!PwriteFully(run.outFd, g_bounce, static_cast<size_t>(r), out)) return false;
    in += r;
    out += r;
    left -= r;
  }
  return true;
}

// Filesystems that share copied blocks with the source (XFS, btrfs) where
// source and output offsets agree on the block grid. There a changed pack
// is not written over a shared block, which would make the filesystem
// reserve a whole copy-on-write extent for it: its block is written from
// memory instead, and the copy goes around it.
constexpr int64_t kShareBlockBytes = 4096;
constexpr int64_t kXfsMagic = 0x58465342, kBtrfsMagic = 0x9123683E;

bool SharesBlocks(const AuthorState& a, int outFd, int64_t in, int64_t out) {
  if ((in - out) % kShareBlockBytes != 0) return false;
  if (a.AssumeShared != 0) return true;
  struct statfs fs;
  if (fstatfs(outFd, &fs) != 0) return false;
  return static_cast<int64_t>(fs.f_type) == kXfsMagic ||
         static_cast<int64_t>(fs.f_type) == kBtrfsMagic;
}

// A shared run: copied up to each block that holds a patch, the block (its
// part inside the run) written from the patches and the source's bytes.
bool CopyAroundPatches(PackRun& run) {
  const int64_t end = run.out + run.len;
  int64_t pos = run.out;
  for (int k = 0; k < run.patchNum;) {
    const int64_t block = run.patchAt[k] / kShareBlockBytes * kShareBlockBytes;
    const int64_t lo = block > run.out ? block : run.out;
    const int64_t hi = block + kShareBlockBytes < end ? block + kShareBlockBytes : end;
    if (lo > pos && !CopyPart(run, pos, lo - pos)) return false;
    for (int64_t at = lo; at < hi; at += kPackBytes) {
      uint8_t* dst = g_bounce + (at - lo);
      if (k < run.patchNum && run.patchAt[k] == at) {
        std::memcpy(dst, run.patch[k++], kPackBytes);
      } else {
        const int64_t from = run.in + (at - run.out);
        int64_t failedAt = from;
        const int64_t got = PreadFully(run.inFd, dst, kPackBytes, from, failedAt);
        if (got < 0) return SourceFailed(run, kSourceReadError, failedAt, errno);
        if (got != kPackBytes) return SourceFailed(run, kSourceEndedEarly, from + got, 0);
      }
    }
    if (!PwriteFully(run.outFd, g_bounce, static_cast<size_t>(hi - lo), lo))
      return false;
    pos = hi;
  }
  return pos >= end || CopyPart(run, pos, end - pos);
}

// The patches over the copy, neighbours in one write.
bool WritePatches(PackRun& run) {
  for (int k = 0; k < run.patchNum;) {
    int n = 1;
    while (k + n < run.patchNum &&
           run.patchAt[k + n] == run.patchAt[k] + static_cast<int64_t>(n) * kPackBytes)
      ++n;
    if (!PwriteFully(run.outFd, run.patch[k], static_cast<size_t>(n) * kPackBytes, run.patchAt[k]))
      return false;
    k += n;
  }
  return true;
}

bool Continues(const PackRun& run, int inFd, int64_t in, int outFd, int64_t out) {
  return run.inFd == inFd && run.outFd == outFd && run.in + run.len == in &&
         run.out + run.len == out;
}

}  // namespace

void StartPackCopies(AuthorState& a) {
  a.Run.inFd = a.Run.outFd = -1;
  a.Run.len = 0;
  a.Run.patchNum = 0;
  a.Run.refused = a.RefuseCopies != 0;
  a.Run.inList = -1;
  a.Run.inFault = kSourceNoFault;
  a.Run.inFaultAt = 0;
  a.Run.inFaultErrno = 0;
}

bool FlushPackCopies(AuthorState& a) {
  PackRun& run = a.Run;
  bool ok = true;
  if (run.inFd >= 0 && run.len > 0) {
    ok = run.shared ? CopyAroundPatches(run)
                    : CopyPart(run, run.out, run.len) && WritePatches(run);
  }
  run.inFd = run.outFd = -1;
  run.len = 0;
  run.patchNum = 0;
  return ok;
}

bool WriteChunkPacks(AuthorState& a, const uint8_t* buf, int from, int to, int outFd) {
  const ChunkPackSources& src = a.ChunkSrc;
  PackRun& run = a.Run;
  const off_t at = lseek(outFd, 0, SEEK_CUR);
  if (at < 0) return false;
  for (int i = from; i < to;) {
    const int64_t out = at + static_cast<int64_t>(i - from) * kPackBytes;
    const uint8_t* p = buf + static_cast<size_t>(i) * kPackBytes;
    if (a.ForcePlainWrite || src.fd[i] < 0) {
      // Packs only the buffer holds go straight out, beside the run.
      const int n = a.ForcePlainWrite ? to - i : 1;
      if (!PwriteFully(outFd, p, static_cast<size_t>(n) * kPackBytes, out)) return false;
      i += n;
      continue;
    }
    const bool fits = run.patchNum < kPatchSlots || !src.changed[i];
    if (!fits || !Continues(run, src.fd[i], src.offset[i], outFd, out)) {
      if (!FlushPackCopies(a)) return false;
      run.inFd = src.fd[i];
      run.outFd = outFd;
      run.in = src.offset[i];
      run.inList = src.list[i];
      run.out = out;
      run.shared = SharesBlocks(a, outFd, run.in, out);
    }
    if (src.changed[i]) {
      run.patchAt[run.patchNum] = out;
      std::memcpy(run.patch[run.patchNum], p, kPackBytes);
      run.patchNum += 1;
    }
    run.len += kPackBytes;
    ++i;
  }
  return lseek(outFd, at + static_cast<off_t>(to - from) * kPackBytes, SEEK_SET) >= 0;
}

}  // namespace vm
