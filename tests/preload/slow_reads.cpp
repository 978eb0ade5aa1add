// Preloaded into vobmarks-cli by the stop tests: every read of a DVD file
// (a name ending in .VOB or .IFO, any case) first sleeps VM_SLOW_READS_MS
// milliseconds, so that a command is still reading when a test stops it.
// Reads of anything else go straight through.
#include <dlfcn.h>
#include <strings.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsDvdFile(int fd) {
  char link[64], path[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n < 4) return false;
  path[n] = '\0';
  return strcasecmp(path + n - 4, ".VOB") == 0 || strcasecmp(path + n - 4, ".IFO") == 0;
}

void MaybeSleep(int fd) {
  static const long ms = [] {
    const char* v = std::getenv("VM_SLOW_READS_MS");
    return v != nullptr ? std::atol(v) : 0L;
  }();
  if (ms > 0 && IsDvdFile(fd)) usleep(static_cast<useconds_t>(ms * 1000));
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buf, size_t n) {
  static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  MaybeSleep(fd);
  return real(fd, buf, n);
}

ssize_t pread(int fd, void* buf, size_t n, off_t at) {
  static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  MaybeSleep(fd);
  return real(fd, buf, n, at);
}

ssize_t pread64(int fd, void* buf, size_t n, off_t at) {
  static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
  MaybeSleep(fd);
  return real(fd, buf, n, at);
}

ssize_t copy_file_range(int in, off_t* inAt, int out, off_t* outAt, size_t n, unsigned flags) {
  static auto real =
      Next<ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned)>("copy_file_range");
  MaybeSleep(in);
  return real(in, inAt, out, outAt, n, flags);
}

}  // extern "C"
