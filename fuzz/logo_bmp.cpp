// Fuzzes the LOGO.BMP loader: the bytes are the file.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "app/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int fd = memfd_create("logo", 0);
  static vm::SplashImage image;
  if (fd < 0) return 0;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  vm::LoadLogoBmp(path, image);
  return 0;
}
