// The check of a written DVD-Video volume (a folder or an ISO image), with
// libdvdread reading the tables and libdvdnav playing the titles. Built
// only when vobmarks-cli links the two libraries (VOBMARKS_VERIFY).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vm {

struct VolumeFault {
  std::string place;  // "VTS_01_0.IFO VOBU_ADMAP", "VTS_01 sector 1234", ...
  std::string what;
};

struct VolumeReport {
  bool opened = false;
  int titles = 0;
  int chapters = 0;
  int cells = 0;
  int64_t lengthMs = 0;  // of all titles' program chains together
  // Where each chapter starts in its title's playing time, from the cell
  // times before its first cell; titles in order.
  std::vector<int64_t> chapterMs;
  std::vector<VolumeFault> faults;
  // What players cope with but is not right (times a few frames off).
  std::vector<VolumeFault> warnings;
  int64_t faultsLeftOut = 0;  // found past the listed limit
  bool stopped = false;       // ended by a stop request: the report is partial
};

// `stopRequested`, when given, is asked whenever the wait is interrupted; a
// yes ends the check at once.
VolumeReport CheckVolume(const std::string& path, bool (*stopRequested)() = nullptr);

}  // namespace vm
