// The one door for every file the program writes. Before anything is
// created it checks the target as install(1) and cp(1) do:
//   - the folder that would hold it, with every symbolic link resolved, is
//     not the input folder nor inside it (by device and inode, so a second
//     name, a bind mount or ".." does not get around it);
//   - the target, links followed, is not one of the input folder's files
//     (the title's IFO, BUP and VOB files, wherever their links lead);
//   - an existing target that is not a regular file (a folder, FIFO,
//     device or socket) is refused at once, never opened.
// A target that is a symbolic link is replaced, never written through.
//
// Whole files are written to a hidden part file beside the target and
// renamed over it once complete, so a failed or stopped write leaves the
// old target as it was and no half file. The part file is locked while it
// is written: a second run writing the same target is refused at once.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "common/fixed_string.h"

namespace vm {

enum class OutputStatus {
  Ok,
  InsideInput,   // the target's folder is the input folder or lies inside it
  InputFile,     // the target is (links followed) one of the input's files
  NotRegular,    // exists and is a folder, FIFO, device or socket
  NoFolder,      // the folder that would hold it cannot be found
  Busy,          // another run is writing the same target
  CreateFailed,  // the file system refused to create it (errno kept)
  WriteFailed,   // a write, the close or the rename failed (errno kept)
};

// True for the refusals that keep the input safe (rather than a target the
// file system cannot take): callers with a fixed "can't create" sentence
// use it for the others and say why for these.
inline bool ProtectsInput(OutputStatus s) {
  return s == OutputStatus::InsideInput || s == OutputStatus::InputFile || s == OutputStatus::Busy;
}

// The sentence for a status, naming `target`; for CreateFailed and
// WriteFailed the system's reason (`err`) is added.
void DescribeOutputStatus(OutputStatus status, const char* target, int err, MessageText& text);

// The checks alone, for a target about to be written or deleted.
// `inputFolder` may be null or empty when there is no input (then only the
// kind of an existing target is checked).
OutputStatus CheckOutputTarget(const char* target, const char* inputFolder);

// True when `folder` (which need not exist yet) is `inputFolder` or lies
// inside it once every link of its existing part is resolved.
bool FolderInsideInput(const char* folder, const char* inputFolder);

// A whole file written through the door. Open checks and creates the part
// file; Commit puts it in place of the target; anything not committed is
// removed when the object goes away.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  OutputStatus Open(const char* target, const char* inputFolder);
  int fd() const { return fd_; }
  // A stdio stream over the part file (owned here; null when it cannot be made).
  std::FILE* Stream();
  // The part file's path, for a program that writes the bytes itself.
  const std::string& PartPath() const { return part_; }
  // Flushes and closes, then renames the part file over the target.
  OutputStatus Commit();
  // Closes and removes the part file; the target stays as it was.
  void Abandon();
  // errno of the last failure.
  int Error() const { return err_; }

 private:
  std::string target_, part_;
  int fd_ = -1;
  std::FILE* stream_ = nullptr;
  int err_ = 0;
  bool failed_ = false;
};

// Writes `n` bytes as the whole content of `target`.
OutputStatus WriteOutputFile(const char* target, const char* inputFolder, const void* data,
                             size_t n, int& err);

// Opens `target` for writing in place, emptied, for a file written in
// several passes (a volume's VOB files). The same checks; a symbolic link
// is removed first and a regular file is created in its place. Returns the
// descriptor, or -1 with `status` set.
int OpenOutputInPlace(const char* target, const char* inputFolder, OutputStatus& status);

}  // namespace vm
