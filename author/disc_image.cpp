#include "author/disc_image.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/fixed_string.h"
#include "common/output_file.h"
#include "common/ui.h"

extern char** environ;

namespace vm {

namespace {

constexpr size_t kMaxVolumeIdChars = 32;
constexpr useconds_t kPollMicroseconds = 20000;
constexpr const char kNoToolMessage[] =
    "Neither genisoimage nor mkisofs is found. Install the genisoimage package to write a disc "
    "image.";
constexpr const char kCreateFormat[] = "Can't create %s.";

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameDirectory(const std::string& a, const std::string& b) {
  if (WithoutTrailingSlash(a) == WithoutTrailingSlash(b)) return true;
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// True when `folder` is `root` or lies anywhere below it. The folder is
// taken by its real path (no "..", no links) and each folder above it is
// compared with `root` by device and inode; a folder that does not exist
// cannot be written into, and is compared as it is.
bool WithinFolder(const std::string& folder, const std::string& root) {
  char* real = realpath(folder.c_str(), nullptr);
  if (real == nullptr) return SameDirectory(folder, root);
  std::string at = real;
  std::free(real);
  while (true) {
    if (SameDirectory(at, root)) return true;
    if (at == "/") return false;
    at = FolderOfPath(at);
  }
}

// The first executable regular file of that name along PATH.
std::string FindProgram(const char* name) {
  const char* env = std::getenv("PATH");
  std::string path = env != nullptr && env[0] != '\0' ? env : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    // An empty PATH entry is the current directory.
    std::string candidate = end > start ? path.substr(start, end - start) : std::string(1, '.');
    candidate.push_back('/');
    candidate.append(name);
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return "";
}

// Runs the program with its arguments, without a shell; true when it ran
// and exited with status 0. While it runs, waiting input is let through
// `ui`; a stop request ends the program, which then counts as failed.
bool RunProgram(Ui& ui, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  bool stopped = false;
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return false;
    if (done == 0) {
      ui.PumpMessages();
      if (!stopped && ui.StopRequested()) {
        kill(pid, SIGTERM);
        stopped = true;
      }
      usleep(kPollMicroseconds);
    }
  }
  return !stopped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder of its own under TMPDIR holding VIDEO_TS (a link to the written
// folder) and an empty AUDIO_TS, the root the image is made from; removed
// with everything in it when done.
class ImageRoot {
 public:
  explicit ImageRoot(const std::string& videoTs) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") +
                          "/vobmarks-image-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) return;
    root_ = name.data();
    ok_ = symlink(WithoutTrailingSlash(videoTs).c_str(), (root_ + "/VIDEO_TS").c_str()) == 0 &&
          mkdir((root_ + "/AUDIO_TS").c_str(), 0755) == 0;
  }
  ~ImageRoot() {
    if (root_.empty()) return;
    unlink((root_ + "/VIDEO_TS").c_str());
    rmdir((root_ + "/AUDIO_TS").c_str());
    rmdir(root_.c_str());
  }
  ImageRoot(const ImageRoot&) = delete;
  ImageRoot& operator=(const ImageRoot&) = delete;

  bool ok() const { return ok_; }
  const std::string& path() const { return root_; }

 private:
  std::string root_;
  bool ok_ = false;
};

}  // namespace

bool ValidVolumeId(const std::string& id) {
  if (id.empty() || id.size() > kMaxVolumeIdChars) return false;
  for (char c : id)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

bool DiscImagePathAllowed(const std::string& iso, const std::string& inputFolder,
                          const std::string& outputFolder, std::string& why) {
  const std::string folder = FolderOfPath(iso);
  if (WithinFolder(folder, inputFolder)) {
    why = "the disc image would be written into the input folder";
    return false;
  }
  if (WithinFolder(folder, outputFolder)) {
    why = "the disc image would be written into the folder it is made from";
    return false;
  }
  return true;
}

int WriteDiscImage(Ui& ui, const std::string& videoTs, const std::string& iso,
                   const std::string& volumeId, const char* inputFolder) {
  std::string program = FindProgram("genisoimage");
  if (program.empty()) program = FindProgram("mkisofs");
  if (program.empty()) {
    ui.Error(kNoToolMessage);
    return 1;
  }
  MessageText failed;
  failed.Format(kCreateFormat, iso.c_str());
  ImageRoot root(videoTs);
  if (!root.ok()) {
    ui.Error(failed.c_str());
    return 1;
  }
  // Made under the output check's locked part name: a second run on the
  // same image is refused, and a failed one leaves no half image.
  OutputFile image;
  const OutputStatus opened = image.Open(iso.c_str(), inputFolder);
  if (opened != OutputStatus::Ok) {
    MessageText why;
    DescribeOutputStatus(opened, iso.c_str(), image.Error(), why);
    ui.Error(why.c_str());
    return 1;
  }
  const bool made = RunProgram(ui, {program, "-quiet", "-dvd-video", "-follow-links", "-V", volumeId,
                                "-o", image.PartPath(), root.path()});
  if (!made && ui.StopRequested()) {
    MessageText stopped;
    stopped.Format("The disc image is stopped: nothing is written to %s.", iso.c_str());
    ui.Error(stopped.c_str());
    return 1;
  }
  if (!made || image.Commit() != OutputStatus::Ok) {
    ui.Error(failed.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vm
