#include "common/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vm {

namespace {

constexpr size_t kNarrowBytes = 2048;  // one sector

}  // namespace

bool FindFileNoCase(const char* folder, const char* name, Path& found) {
  DIR* dir = opendir(folder[0] ? folder : "/");
  if (dir == nullptr) return false;
  bool ok = false;
  while (dirent* e = readdir(dir)) {
    if (strcasecmp(e->d_name, name) != 0) continue;
    Path candidate;
    if (!candidate.Set(folder) || !candidate.Append(e->d_name)) continue;
    struct stat st;
    if (stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Prefer the exact spelling when a folder holds both cases.
    found = candidate;
    ok = true;
    if (std::strcmp(e->d_name, name) == 0) break;
  }
  closedir(dir);
  return ok;
}

int64_t FileSizeOf(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool IsDirectory(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0;
}

size_t ReadFully(int fd, void* buf, size_t n) {
  size_t done = 0;
  auto* p = static_cast<uint8_t*>(buf);
  while (done < n) {
    ssize_t r = read(fd, p + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

size_t WriteFully(int fd, const void* buf, size_t n) {
  size_t done = 0;
  auto* p = static_cast<const uint8_t*>(buf);
  while (done < n) {
    ssize_t r = write(fd, p + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

int64_t PreadFully(int fd, void* buf, size_t n, int64_t at, int64_t& failedAt) {
  size_t done = 0;
  auto* p = static_cast<uint8_t*>(buf);
  while (done < n) {
    ssize_t r = pread(fd, p + done, n - done, static_cast<off_t>(at + static_cast<int64_t>(done)));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      // A large read fails as a whole where one sector of it cannot be
      // read: the rest is read again a sector at a time, so that the bytes
      // before the failing sector are there and its offset is exact.
      const int err = errno;
      while (done < n) {
        const size_t piece = std::min<size_t>(kNarrowBytes, n - done);
        const int64_t off = at + static_cast<int64_t>(done);
        ssize_t q = pread(fd, p + done, piece, static_cast<off_t>(off));
        if (q < 0 && errno == EINTR) continue;
        if (q < 0) {
          failedAt = off;
          return -1;
        }
        if (q == 0) break;
        done += static_cast<size_t>(q);
      }
      failedAt = at + static_cast<int64_t>(done);
      errno = err;
      return -1;
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return static_cast<int64_t>(done);
}

int64_t PreadFully(int fd, void* buf, size_t n, int64_t at) {
  int64_t failedAt = 0;
  return PreadFully(fd, buf, n, at, failedAt);
}

namespace {

void IdentityFromStat(const struct stat& st, FileIdentity& id) {
  id.dev = static_cast<uint64_t>(st.st_dev);
  id.ino = static_cast<uint64_t>(st.st_ino);
  id.size = static_cast<int64_t>(st.st_size);
  id.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  id.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
}

}  // namespace

bool IdentityOf(int fd, FileIdentity& id) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  IdentityFromStat(st, id);
  return true;
}

bool IdentityOf(const char* path, FileIdentity& id) {
  struct stat st;
  if (stat(path, &st) != 0) return false;
  IdentityFromStat(st, id);
  return true;
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtimeSec == b.mtimeSec &&
         a.mtimeNsec == b.mtimeNsec;
}

bool IdentityTaken(const FileIdentity& id) { return id.dev != 0 || id.ino != 0; }

bool PwriteFully(int fd, const void* buf, size_t n, int64_t at) {
  size_t done = 0;
  auto* p = static_cast<const uint8_t*>(buf);
  while (done < n) {
    ssize_t r = pwrite(fd, p + done, n - done, static_cast<off_t>(at + static_cast<int64_t>(done)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

int64_t ReadFileHead(const char* path, uint8_t* buf, size_t size) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  size_t n = ReadFully(fd, buf, size);
  close(fd);
  return static_cast<int64_t>(n);
}

void PreferLargePages(void* p, size_t n) {
  constexpr uintptr_t kLargePage = 2u << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + n) & ~(kLargePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace vm
