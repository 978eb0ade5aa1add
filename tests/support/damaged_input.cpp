#include "tests/support/damaged_input.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace vm::testing {

namespace {

constexpr size_t kSector = 2048;
constexpr size_t kScrambledFrom = 128;  // CSS leaves the headers before it clear
constexpr char kPython[] = "/usr/bin/python3";

const unsigned char* At(const std::string& b, size_t offset) {
  return reinterpret_cast<const unsigned char*>(b.data() + offset);
}

}  // namespace

void ScrambleMediaPacks(std::string& vob) {
  for (size_t s = 0; s + 1 <= vob.size() / kSector; ++s) {
    const size_t at = s * kSector;
    const unsigned char* p = At(vob, at);
    if (!(p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA)) continue;
    const size_t pes = at + 14 + (p[13] & 7);
    const unsigned char* q = At(vob, pes);
    if (!(q[0] == 0 && q[1] == 0 && q[2] == 1)) continue;
    const unsigned id = q[3];
    if (!((id & 0xF0) == 0xE0 || (id >= 0xC0 && id <= 0xDF) || id == 0xBD)) continue;
    vob[pes + 6] = static_cast<char>((q[6] & ~0x30) | 0x10);
    for (size_t k = kScrambledFrom; k < kSector; ++k)
      vob[at + k] = static_cast<char>(vob[at + k] ^ static_cast<char>(0x5A + k));
  }
}

bool CopyFolder(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec) return false;
  for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
    if (!e.is_regular_file()) continue;
    fs::copy_file(e.path(), fs::path(to) / e.path().filename(),
                  fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
  }
  return !ec;
}

std::vector<size_t> NavSectors(const std::string& vob) {
  std::vector<size_t> out;
  for (size_t s = 0; s < vob.size() / kSector; ++s) {
    const unsigned char* p = At(vob, s * kSector);
    if (p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA && p[14] == 0 && p[15] == 0 &&
        p[16] == 1 && p[17] == 0xBB)
      out.push_back(s);
  }
  return out;
}

FailingSectorsView::FailingSectorsView(const std::string& source,
                                       const std::vector<std::string>& specs) {
  struct stat st;
  if (stat("/dev/fuse", &st) != 0) {
    why_ = "/dev/fuse is missing";
    return;
  }
  if (RunCommand(std::string(kPython) + " -c 'import fusepy' 2>/dev/null") != 0 ||
      RunCommand("command -v fusermount3 >/dev/null") != 0) {
    why_ = "python3-fusepy or fuse3 is not installed";
    return;
  }
  mount_ = dir_ / "view";
  mkdir(mount_.c_str(), 0755);
  const std::string script = std::string(VM_SOURCE_DIR) + "/tests/support/failing_fs.py";
  std::vector<std::string> args = {kPython, script, source, mount_};
  args.insert(args.end(), specs.begin(), specs.end());
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(kPython, argv.data());
    _exit(127);
  }
  struct stat parent;
  stat(dir_.path().c_str(), &parent);
  for (int k = 0; k < 100; ++k) {
    struct stat m;
    if (stat(mount_.c_str(), &m) == 0 && m.st_dev != parent.st_dev) {
      path_ = mount_ + "/";
      return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  why_ = "the FUSE view could not be mounted here";
}

FailingSectorsView::~FailingSectorsView() {
  if (pid_ <= 0) return;
  if (!path_.empty()) RunCommand("fusermount3 -u " + mount_ + " 2>/dev/null");
  int status = 0;
  for (int k = 0; k < 40 && waitpid(pid_, &status, WNOHANG) == 0; ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (waitpid(pid_, &status, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
}

}  // namespace vm::testing
