#include "tests/support/temp_dir.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vm::testing {

TempDir::TempDir() {
  char pattern[] = "/tmp/vobmarks-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  path_ = made ? std::string(made) + "/" : std::string("/tmp/");
}

TempDir::~TempDir() {
  std::error_code ec;
  if (path_ != "/tmp/") {
    // Read-only leftovers must not stop the clean-up.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

int RunCommand(const std::string& command) {
  int rc = std::system(command.c_str());
  if (rc == -1) return -1;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string RunAndCapture(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    if (status) *status = -1;
    return out;
  }
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

FolderSnapshot SnapshotFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  FolderSnapshot snap;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    const fs::file_status st = fs::symlink_status(e.path(), ec);
    if (fs::is_symlink(st)) snap[name] = "->" + fs::read_symlink(e.path(), ec).string();
    else if (fs::is_regular_file(st)) snap[name] = ReadFile(e.path().string());
    else if (fs::is_directory(st)) snap[name] = "<folder>";
    else snap[name] = "<other>";
  }
  return snap;
}

}  // namespace vm::testing
