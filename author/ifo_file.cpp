#include "author/ifo_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/files.h"

namespace vm {

bool WriteIfoFile(const char* path, const uint8_t* data, size_t bytes) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteFully(fd, data, bytes) == bytes;
  if (close(fd) != 0) ok = false;
  return ok;
}

}  // namespace vm
