// Hostile copies of a title set for the tests: its packs scrambled as CSS
// leaves them, and a view of it in which chosen sectors fail with EIO (a
// small FUSE file system, tests/support/failing_fs.py).
#pragma once

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vm::testing {

// Every video, MPEG audio and private stream 1 pack of the VOB bytes `vob`
// gets PES scrambling control 01 and its bytes from 128 on garbled, as a
// CSS-scrambled disc holds them.
void ScrambleMediaPacks(std::string& vob);

// Copies the files of `from` (one level) into `to` (both end in '/').
bool CopyFolder(const std::string& from, const std::string& to);

// The sectors of the navigation packs of the VOB bytes `vob`, in order.
std::vector<size_t> NavSectors(const std::string& vob);

// The files of `source` seen through a read-only FUSE view whose listed
// sectors fail: each argument is "NAME:SECTOR[,SECTOR...]". Unmounted when it
// goes. When FUSE cannot be used here, path() is "" and why() says why.
class FailingSectorsView {
 public:
  FailingSectorsView(const std::string& source, const std::vector<std::string>& specs);
  ~FailingSectorsView();
  FailingSectorsView(const FailingSectorsView&) = delete;
  FailingSectorsView& operator=(const FailingSectorsView&) = delete;

  const std::string& path() const { return path_; }  // ends in '/'
  const std::string& why() const { return why_; }

 private:
  TempDir dir_;
  std::string mount_;
  std::string path_;
  std::string why_;
  int pid_ = -1;
};

}  // namespace vm::testing
