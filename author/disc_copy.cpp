#include "author/disc_copy.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/files.h"
#include "common/output_file.h"

namespace vm {

namespace {

constexpr size_t kBounceBytes = 1u << 20;
uint8_t g_bounce[kBounceBytes];

bool KernelRefused(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF;
}

// copy_file_range until `size` bytes are there; 1 done, 0 refused before
// anything moved, -1 failed.
int KernelCopy(int in, int out, int64_t size) {
  off_t from = 0, to = 0;
  while (to < size) {
    const ssize_t r = copy_file_range(in, &from, out, &to, static_cast<size_t>(size - to), 0);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && to == 0 && KernelRefused(errno)) return 0;
    if (r <= 0) return -1;  // an error, or the source shrank
  }
  return 1;
}

bool BufferedCopy(int in, int out, int64_t size) {
  int64_t at = 0;
  while (at < size) {
    const size_t want = size - at < static_cast<int64_t>(kBounceBytes)
                            ? static_cast<size_t>(size - at) : kBounceBytes;
    const int64_t r = PreadFully(in, g_bounce, want, at);
    if (r <= 0) return false;
    if (!PwriteFully(out, g_bounce, static_cast<size_t>(r), at)) return false;
    at += r;
  }
  return true;
}

}  // namespace

void PreferSmallCopyOnWrite(int fd) {
  struct stat st {};
  fsxattr attr {};
  if (fstat(fd, &st) != 0 || ioctl(fd, FS_IOC_FSGETXATTR, &attr) != 0) return;
  attr.fsx_xflags |= FS_XFLAG_COWEXTSIZE;
  attr.fsx_cowextsize = static_cast<uint32_t>(st.st_blksize);
  (void)ioctl(fd, FS_IOC_FSSETXATTR, &attr);
}

bool CopyWholeFile(const char* source, const char* target, const char* inputFolder, CopyWay& way,
                   bool forceBuffered) {
  if (CheckOutputTarget(target, inputFolder) != OutputStatus::Ok) return false;
  const int in = open(source, O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  const int out = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (out < 0) {
    close(in);
    return false;
  }
  const int64_t size = st.st_size;
  bool ok = false;
  if (!forceBuffered && ioctl(out, FICLONE, in) == 0) {
    way = CopyWay::Cloned;
    ok = true;
  } else {
    const int k = forceBuffered ? 0 : KernelCopy(in, out, size);
    if (k == 1) {
      way = CopyWay::KernelCopy;
      ok = true;
    } else if (k == 0) {
      way = CopyWay::Buffered;
      ok = BufferedCopy(in, out, size);
    }
  }
  struct stat done {};
  ok = ok && fstat(out, &done) == 0 && done.st_size == size;
  ok = close(out) == 0 && ok;
  close(in);
  if (!ok) unlink(target);
  return ok;
}

}  // namespace vm
