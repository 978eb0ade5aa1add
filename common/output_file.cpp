#include "common/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/files.h"

namespace vm {

namespace {

// The part file's name keeps at most this much of the target's name, so
// that it stays within the file systems' 255-byte name limit.
constexpr size_t kPartNameChars = 200;
constexpr char kPartSuffix[] = ".part";

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The folder part ("." when there is none) and the name part of a path.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

// Where `folder` leads once it exists: each component resolved as the
// kernel would, and those not there yet taken as they will be created
// (real folders, so ".." after them steps back lexically).
std::string ResolveFolder(const std::string& folder) {
  std::string cur;
  if (folder.empty() || folder[0] != '/') {
    char here[PATH_MAX];
    if (getcwd(here, sizeof here) == nullptr) return {};
    cur = here;
  } else {
    cur = "/";
  }
  size_t pos = 0;
  while (pos <= folder.size()) {
    size_t end = folder.find('/', pos);
    if (end == std::string::npos) end = folder.size();
    const std::string comp = folder.substr(pos, end - pos);
    pos = end + 1;
    if (comp.empty() || comp == ".") continue;
    if (comp == "..") {
      const size_t up = cur.rfind('/');
      cur = up == 0 || up == std::string::npos ? "/" : cur.substr(0, up);
      continue;
    }
    std::string next = cur == "/" ? "/" + comp : cur + "/" + comp;
    char resolved[PATH_MAX];
    if (realpath(next.c_str(), resolved) != nullptr) next = resolved;
    cur = next;
  }
  return cur;
}

// True when `resolved` (an absolute, resolved folder) or any folder above
// it is the directory `top`.
bool UnderDirectory(std::string resolved, const struct stat& top) {
  for (;;) {
    struct stat st;
    if (stat(resolved.c_str(), &st) == 0 && SameFile(st, top)) return true;
    if (resolved.empty() || resolved == "/") return false;
    const size_t up = resolved.rfind('/');
    resolved = up == 0 || up == std::string::npos ? "/" : resolved.substr(0, up);
  }
}

// True when `st` is one of the files in `inputFolder`, their links followed.
bool IsInputFile(const struct stat& st, const char* inputFolder) {
  DIR* dir = opendir(inputFolder);
  if (dir == nullptr) return false;
  std::string base = inputFolder;
  if (base.empty() || base.back() != '/') base += '/';
  bool found = false;
  while (dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    struct stat in;
    if (stat((base + e->d_name).c_str(), &in) == 0 && SameFile(in, st)) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool HasInput(const char* inputFolder) { return inputFolder != nullptr && inputFolder[0] != '\0'; }

}  // namespace

void DescribeOutputStatus(OutputStatus status, const char* target, int err, MessageText& text) {
  bool fits = true;
  switch (status) {
    case OutputStatus::Ok: text.clear(); return;
    case OutputStatus::InsideInput:
      fits = text.Format("%s lies in the input folder: nothing is written there.", target);
      break;
    case OutputStatus::InputFile:
      fits = text.Format("%s is a file of the input: it is not overwritten.", target);
      break;
    case OutputStatus::NotRegular:
      fits = text.Format("%s is not a regular file (a folder, FIFO or device): nothing is written.",
                         target);
      break;
    case OutputStatus::NoFolder:
      fits = text.Format("The folder of %s is not found.", target);
      break;
    case OutputStatus::Busy:
      fits = text.Format("%s is being written by another run: try again when it has ended.",
                         target);
      break;
    case OutputStatus::CreateFailed:
      fits = text.Format("%s can't be created (%s).", target, std::strerror(err));
      break;
    case OutputStatus::WriteFailed:
      fits = text.Format("%s can't be written (%s).", target, std::strerror(err));
      break;
  }
  if (!fits) text.Set("The output file can't be written.");
}

bool FolderInsideInput(const char* folder, const char* inputFolder) {
  if (!HasInput(inputFolder)) return false;
  struct stat top;
  if (stat(inputFolder, &top) != 0) return false;
  const std::string resolved = ResolveFolder(folder);
  return !resolved.empty() && UnderDirectory(resolved, top);
}

OutputStatus CheckOutputTarget(const char* target, const char* inputFolder) {
  std::string folder, name;
  SplitPath(target, folder, name);
  if (name.empty() || name == "." || name == "..") return OutputStatus::NotRegular;
  struct stat l;
  const bool exists = lstat(target, &l) == 0;
  if (exists && !S_ISLNK(l.st_mode) && !S_ISREG(l.st_mode)) return OutputStatus::NotRegular;
  if (!IsDirectory(folder.c_str())) return OutputStatus::NoFolder;
  if (FolderInsideInput(folder.c_str(), inputFolder)) return OutputStatus::InsideInput;
  if (exists && S_ISLNK(l.st_mode)) {
    // The link itself is replaced; still, a link that leads into the input
    // names an input file, which is never the place for an output.
    char resolved[PATH_MAX];
    if (realpath(target, resolved) != nullptr) {
      std::string linkFolder, linkName;
      SplitPath(resolved, linkFolder, linkName);
      if (FolderInsideInput(linkFolder.c_str(), inputFolder)) return OutputStatus::InputFile;
    }
  }
  struct stat st;
  if (HasInput(inputFolder) && stat(target, &st) == 0 && IsInputFile(st, inputFolder))
    return OutputStatus::InputFile;
  return OutputStatus::Ok;
}

OutputStatus OutputFile::Open(const char* target, const char* inputFolder) {
  Abandon();
  failed_ = false;
  err_ = 0;
  const OutputStatus checked = CheckOutputTarget(target, inputFolder);
  if (checked != OutputStatus::Ok) return checked;
  target_ = target;
  std::string folder, name;
  SplitPath(target_, folder, name);
  const std::string part = (folder == "/" ? "/" : folder + "/") + "." +
                           name.substr(0, kPartNameChars) + kPartSuffix;
  // Never through a link, never blocking on a FIFO someone put there.
  const int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    err_ = errno;
    return err_ == ELOOP || err_ == ENXIO ? OutputStatus::NotRegular : OutputStatus::CreateFailed;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return OutputStatus::NotRegular;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    err_ = errno;
    close(fd);
    return err_ == EWOULDBLOCK ? OutputStatus::Busy : OutputStatus::CreateFailed;
  }
  // A part file left by a run that was killed is ours to reuse.
  if (st.st_size > 0 && ftruncate(fd, 0) != 0) {
    err_ = errno;
    unlink(part.c_str());
    close(fd);
    return OutputStatus::CreateFailed;
  }
  // The replaced file keeps its permission bits.
  struct stat old;
  if (stat(target, &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  part_ = part;
  return OutputStatus::Ok;
}

std::FILE* OutputFile::Stream() {
  if (stream_ == nullptr && fd_ >= 0) stream_ = fdopen(fd_, "wb");
  return stream_;
}

OutputStatus OutputFile::Commit() {
  if (fd_ < 0) return OutputStatus::WriteFailed;
  bool ok = true;
  if (stream_ != nullptr && (std::fflush(stream_) != 0 || std::ferror(stream_))) {
    err_ = errno;
    ok = false;
  }
  // Renamed while the part file is still open and locked, so another run
  // cannot take the name over between the close and the rename.
  if (ok && rename(part_.c_str(), target_.c_str()) != 0) {
    err_ = errno;
    ok = false;
  }
  const int closed = stream_ != nullptr ? std::fclose(stream_) : close(fd_);
  stream_ = nullptr;
  fd_ = -1;
  if (ok && closed != 0) {
    // The data may not all be there: the file is not left as if it were.
    err_ = errno;
    unlink(target_.c_str());
    ok = false;
  }
  if (!ok) {
    unlink(part_.c_str());
    part_.clear();
    return OutputStatus::WriteFailed;
  }
  part_.clear();
  return OutputStatus::Ok;
}

void OutputFile::Abandon() {
  if (fd_ < 0) return;
  unlink(part_.c_str());  // while the lock is still held
  if (stream_ != nullptr) std::fclose(stream_);
  else close(fd_);
  stream_ = nullptr;
  fd_ = -1;
  part_.clear();
}

OutputStatus WriteOutputFile(const char* target, const char* inputFolder, const void* data,
                             size_t n, int& err) {
  OutputFile out;
  OutputStatus status = out.Open(target, inputFolder);
  if (status == OutputStatus::Ok && WriteFully(out.fd(), data, n) != n) {
    err = errno;
    return OutputStatus::WriteFailed;  // the part file goes with `out`
  }
  if (status == OutputStatus::Ok) status = out.Commit();
  err = out.Error();
  return status;
}

int OpenOutputInPlace(const char* target, const char* inputFolder, OutputStatus& status) {
  status = CheckOutputTarget(target, inputFolder);
  if (status != OutputStatus::Ok) return -1;
  struct stat l;
  if (lstat(target, &l) == 0 && S_ISLNK(l.st_mode) && unlink(target) != 0) {
    status = OutputStatus::CreateFailed;
    return -1;
  }
  const int fd = open(target, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    status = errno == ELOOP || errno == ENXIO ? OutputStatus::NotRegular : OutputStatus::CreateFailed;
    return -1;
  }
  // Checked again on the open file: the name may have changed hands since.
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    status = OutputStatus::NotRegular;
  } else if (HasInput(inputFolder) && IsInputFile(st, inputFolder)) {
    status = OutputStatus::InputFile;
  } else if (st.st_size > 0 && ftruncate(fd, 0) != 0) {
    status = OutputStatus::CreateFailed;
  }
  if (status != OutputStatus::Ok) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace vm
