// A fresh folder under /tmp for one test, removed with everything in it.
#pragma once

#include <map>
#include <string>

namespace vm::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Absolute, ending in '/'.
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Whole-file helpers for tests.
bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// Runs a shell command; returns its exit status (-1 when it could not run,
// or was killed at the time limit).
int RunCommand(const std::string& command);
// Runs a command and captures its standard output (and status).
std::string RunAndCapture(const std::string& command, int* status = nullptr);
// The time a command of the two above may run before it is killed with
// everything it started: five minutes unless set; 0 for none (the
// benchmarks, whose copies of whole discs take longer).
void SetCommandTimeLimit(int seconds);

// Every entry of a folder (not descending) with what it holds: a regular
// file's bytes, a link's target after "->", a folder or other entry its
// kind. Two equal snapshots mean nothing in the folder was written.
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot SnapshotFolder(const std::string& folder);

}  // namespace vm::testing
