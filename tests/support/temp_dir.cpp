#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vm::testing {

namespace {

// Longer than any command of the tests takes, the encodes of the title sets
// included; far shorter than the test's own time limit. Zero: no limit.
std::chrono::seconds g_commandLimit{300};

// Runs `command` under /bin/sh in a process group of its own, its standard
// output into `out` when given. A command still running at the limit is
// killed with everything it started and named on standard error, so that a
// hung child fails its test with the command and what it printed, instead
// of holding the test until the test's own limit kills it unheard.
int RunBounded(const std::string& command, std::string* out) {
  int fds[2] = {-1, -1};
  if (out != nullptr && pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) {
    if (out != nullptr) {
      close(fds[0]);
      close(fds[1]);
    }
    return -1;
  }
  if (pid == 0) {
    // Out of the terminal's foreground group a read of the terminal would
    // stop the command, so a terminal never is its input.
    setpgid(0, 0);
    if (isatty(STDIN_FILENO) == 1) {
      const int none = open("/dev/null", O_RDONLY);
      if (none >= 0) dup2(none, STDIN_FILENO);
    }
    if (out != nullptr) dup2(fds[1], STDOUT_FILENO);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(pid, pid);
  const bool bounded = g_commandLimit.count() > 0;
  const auto deadline = std::chrono::steady_clock::now() + g_commandLimit;
  // Milliseconds left; a day when there is no limit.
  const auto left = [&]() -> long {
    if (!bounded) return 86400000L;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 deadline - std::chrono::steady_clock::now())
                                 .count());
  };
  bool late = false;
  if (out != nullptr) {
    close(fds[1]);
    char buf[65536];
    for (;;) {
      pollfd p{fds[0], POLLIN, 0};
      const long wait = left();
      if (wait <= 0) {
        late = true;
        break;
      }
      const int ready = poll(&p, 1, static_cast<int>(wait));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) {
        late = ready == 0;
        break;
      }
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      out->append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
  }
  int status = 0;
  for (auto nap = std::chrono::microseconds(200);;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return -1;
    if (late || left() <= 0) {
      late = true;
      killpg(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(nap);
    if (nap < std::chrono::milliseconds(20)) nap *= 2;
  }
  if (late) {
    std::fprintf(stderr, "test command killed after %lld s: %s\n",
                 static_cast<long long>(g_commandLimit.count()), command.c_str());
    if (out != nullptr) out->append("\n[killed: still running after the test command limit]\n");
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

void SetCommandTimeLimit(int seconds) { g_commandLimit = std::chrono::seconds(seconds); }

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

int RunCommand(const std::string& command) { return RunBounded(command, nullptr); }

std::string RunAndCapture(const std::string& command, int* status) {
  std::string out;
  const int rc = RunBounded(command, &out);
  if (status) *status = rc;
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
