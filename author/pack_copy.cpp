#include "author/pack_copy.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

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

// One range of unchanged packs, source file to output file.
struct CopyJob {
  int inFd;
  int64_t inOffset;
  int outFd;
  int64_t outOffset;
  int64_t len;
};

// Copies file to file on a thread of its own, so that the kernel's copy of
// one chunk overlaps the reading and rewriting of the next. The ranges it
// writes never overlap those the writer fills from its buffer, so the two
// need no ordering; sources and output stay open until Drain().
class Copier {
 public:
  void Start(bool refuse) {
    if (thread_.joinable()) Stop();  // a writer that did not finish its copier
    std::lock_guard<std::mutex> lock(mutex_);
    head_ = count_ = 0;
    busy_ = failed_ = stopping_ = false;
    refused_ = refuse;
    try {
      thread_ = std::thread(&Copier::Run, this);
      inline_ = false;
    } catch (...) {
      inline_ = true;  // no thread to be had: copy at once instead
    }
  }

  // Queues a copy; false once a copy has failed.
  bool Submit(const CopyJob& job) {
    if (inline_) {
      bool kernelRefused = false;
      failed_ = failed_ || !Copy(job, refused_, kernelRefused);
      refused_ = refused_ || kernelRefused;
      return !failed_;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return count_ < kJobs || failed_; });
    if (failed_) return false;
    jobs_[(head_ + count_) % kJobs] = job;
    count_ += 1;
    work_.notify_one();
    return true;
  }

  // Waits for every queued copy; false when one failed.
  bool Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return (count_ == 0 && !busy_) || !thread_.joinable(); });
    return !failed_;
  }

  bool Stop() {
    const bool ok = Drain();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    work_.notify_one();
    if (thread_.joinable()) thread_.join();
    return ok;
  }

 private:
  static constexpr int kJobs = 4096;
  static constexpr size_t kBounceBytes = 1u << 20;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return count_ > 0 || stopping_; });
      if (count_ == 0) return;
      const CopyJob job = jobs_[head_];
      head_ = (head_ + 1) % kJobs;
      count_ -= 1;
      busy_ = true;
      const bool refused = refused_;
      lock.unlock();
      bool kernelRefused = false;
      const bool ok = Copy(job, refused, kernelRefused);
      lock.lock();
      busy_ = false;
      refused_ = refused_ || kernelRefused;
      if (!ok) {
        failed_ = true;
        // What is still queued is dropped: the title fails anyway.
        count_ = 0;
      }
      room_.notify_all();
    }
  }

  // copy_file_range where the kernel takes it; where it refuses, the bytes
  // go through a buffer of this thread's own, read from the same source.
  bool Copy(const CopyJob& job, bool refused, bool& kernelRefused) {
    loff_t in = job.inOffset, out = job.outOffset;
    int64_t left = job.len;
    while (left > 0 && !refused) {
      const ssize_t r = copy_file_range(job.inFd, &in, job.outFd, &out, static_cast<size_t>(left), 0);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 && !IsRefusal(errno)) return false;
      if (r <= 0) {
        kernelRefused = refused = true;
        break;
      }
      left -= r;
    }
    while (left > 0) {
      const size_t want =
          left < static_cast<int64_t>(kBounceBytes) ? static_cast<size_t>(left) : kBounceBytes;
      const ssize_t r = pread(job.inFd, bounce_, want, in);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;  // the source shrank under us
      if (!PwriteFully(job.outFd, bounce_, static_cast<size_t>(r), out)) return false;
      in += r;
      out += r;
      left -= r;
    }
    return true;
  }

  std::mutex mutex_;
  std::condition_variable work_, room_;
  CopyJob jobs_[kJobs];
  int head_ = 0, count_ = 0;
  bool busy_ = false, failed_ = false, stopping_ = false, refused_ = false, inline_ = false;
  std::thread thread_;
  uint8_t bounce_[kBounceBytes];
};

Copier& TheCopier() {
  static Copier copier;
  return copier;
}

// Where the source and output offsets of a run agree modulo this size the
// copied blocks can be shared with the source (XFS and btrfs as usually
// made). A block holding a changed pack is written from the buffer instead
// of being shared and then overwritten: an overwrite of a shared block
// makes the filesystem reserve a whole copy-on-write extent for it.
constexpr int64_t kShareBlockBytes = 4096;
constexpr int kShareBlockPacks = static_cast<int>(kShareBlockBytes / kPackBytes);

// True when pack k of the run [i, i+n), written at output offset `at`, is
// written from the buffer: it is changed, or, where blocks can be shared,
// its output block is not whole inside the run or holds a changed pack.
bool FromBuffer(const ChunkPackSources& src, int i, int n, off_t at, bool shared, int k) {
  if (!shared) return src.changed[i + k] != 0;
  const int64_t packOfBlock = (at / kPackBytes + k) % kShareBlockPacks;
  const int first = k - static_cast<int>(packOfBlock);
  const int last = first + kShareBlockPacks - 1;
  if (first < 0 || last >= n) return true;
  for (int j = first; j <= last; ++j) {
    if (src.changed[i + j]) return true;
  }
  return false;
}

}  // namespace

void StartPackCopies(const AuthorState& a) { TheCopier().Start(a.RefuseCopies != 0); }

bool DrainPackCopies() { return TheCopier().Drain(); }

bool FinishPackCopies() { return TheCopier().Stop(); }

bool WriteChunkPacks(AuthorState& a, const uint8_t* buf, int from, int to, int outFd) {
  const ChunkPackSources& src = a.ChunkSrc;
  int i = from;
  while (i < to) {
    if (a.ForcePlainWrite || src.fd[i] < 0) {
      const int n = a.ForcePlainWrite ? to - i : 1;
      if (!WritePlain(buf, i, i + n, outFd)) return false;
      i += n;
      continue;
    }
    const int n = RunLength(src, i, to);
    const off_t at = lseek(outFd, 0, SEEK_CUR);
    if (at < 0) return false;
    const bool shared = (src.offset[i] - at) % kShareBlockBytes == 0;
    for (int k = 0; k < n;) {
      const bool plain = FromBuffer(src, i, n, at, shared, k);
      int end = k + 1;
      while (end < n && FromBuffer(src, i, n, at, shared, end) == plain) ++end;
      const off_t outAt = at + static_cast<off_t>(k) * kPackBytes;
      const int64_t len = static_cast<int64_t>(end - k) * kPackBytes;
      const uint8_t* p = buf + static_cast<size_t>(i + k) * kPackBytes;
      if (plain) {
        if (!PwriteFully(outFd, p, static_cast<size_t>(len), outAt)) return false;
      } else if (!TheCopier().Submit(CopyJob{src.fd[i + k], src.offset[i + k], outFd, outAt, len})) {
        return false;
      }
      k = end;
    }
    if (lseek(outFd, at + static_cast<off_t>(n) * kPackBytes, SEEK_SET) < 0) return false;
    i += n;
  }
  return true;
}

}  // namespace vm
