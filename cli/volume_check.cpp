// The volume check: libdvdread opens the information files and reads the
// title VOBs, the check files (verify_*.cpp) hold the tables against the
// navigation packs found there, and libdvdnav plays every title through.
// This file runs the check in a child process and collects its findings.
#ifdef VOBMARKS_VERIFY

#include "cli/volume_check.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "cli/verify_checker.h"

namespace vm {

using verify::Checker;
using verify::Format;
using verify::SummaryLine;

namespace {

void ReadLine(const std::string& line, VolumeReport& r, Checker& collect) {
  std::vector<std::string> f;
  for (size_t start = 0;;) {
    size_t tab = line.find('\t', start);
    f.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (f[0] == "F" && f.size() == 3) {
    collect.Fault(f[1], f[2]);
  } else if (f[0] == "W" && f.size() == 3) {
    collect.Warning(f[1], f[2]);
  } else if (f[0] == "S" && f.size() >= 6) {
    r.opened = f[1] == "1";
    r.titles = std::atoi(f[2].c_str());
    r.chapters = std::atoi(f[3].c_str());
    r.cells = std::atoi(f[4].c_str());
    r.lengthMs = std::atoll(f[5].c_str());
    r.chapterMs.clear();  // a later summary replaces an earlier one
    for (size_t k = 6; k < f.size(); ++k) r.chapterMs.push_back(std::atoll(f[k].c_str()));
  }
}

}  // namespace

// The libraries read whatever the volume holds, and a crafted or damaged
// volume can crash them (libdvdnav has been seen to). So the check runs in
// a child process that sends each fault as it is found; a child that dies
// is one more fault, and what it had found is kept.
VolumeReport CheckVolume(const std::string& path, bool (*stopRequested)()) {
  VolumeReport r;
  int fds[2];
  std::fflush(stdout);
  std::fflush(stderr);
  if (pipe(fds) != 0) {
    Checker(r, -1).Run(path);
    return r;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    Checker(r, -1).Run(path);
    return r;
  }
  if (pid == 0) {
    close(fds[0]);
    signal(SIGPIPE, SIG_DFL);
    // A stop from the terminal ends the child with the parent.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    VolumeReport child;
    Checker checker(child, fds[1]);
    checker.Run(path);
    checker.SendLine(SummaryLine(child));
    _exit(0);
  }
  close(fds[1]);
  Checker collect(r, -1);
  std::string pending;
  char buf[4096];
  const auto stop = [&] { return stopRequested != nullptr && stopRequested(); };
  for (;;) {
    if (stop()) {
      kill(pid, SIGKILL);
      r.stopped = true;
      break;
    }
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buf, static_cast<size_t>(n));
    for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
      ReadLine(pending.substr(0, nl), r, collect);
      pending.erase(0, nl + 1);
    }
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (stop()) r.stopped = true;
  if (r.stopped) return r;
  if (WIFSIGNALED(status)) {
    collect.Fault(path, Format("libdvdread or libdvdnav crashed on the volume (signal %d)",
                               WTERMSIG(status)));
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    collect.Fault(path, "the check ended early");
  }
  return r;
}

}  // namespace vm

#endif  // VOBMARKS_VERIFY
