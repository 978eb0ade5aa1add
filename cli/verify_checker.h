// The volume check's shared pieces: the checker that each check file adds
// its part to, the navigation pack record it keeps, and the text helpers.
// Built only when vobmarks-cli links libdvdread and libdvdnav.
#pragma once

#ifdef VOBMARKS_VERIFY

#include <dvdnav/dvdnav.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/stream_presence_check.h"
#include "cli/video_attributes_check.h"
#include "cli/volume_check.h"
#include "cli/volume_times.h"
#include "dvd/ifo_model.h"
#include "dvd/nav_pack.h"
#include "dvd/vtsi_mat.h"

namespace vm::verify {

// VOBU_SRI: next video, 19 forward, next, previous, 19 backward, previous
// video; the first 21 point forward.
constexpr int kSriEntries = 42;
constexpr int kSriForwardEntries = 21;
constexpr uint32_t kSriOffsetMask = 0x3FFFFFFF;
constexpr uint32_t kSriNone = 0x3FFFFFFF;

constexpr size_t kVtsVideoAttributes = dvd::kVtsiVideo;

constexpr size_t kMaxListedFaults = 200;
constexpr int64_t kComparePieceBytes = 64 * 1024;
// Far more VOBUs than a title may have: the scan stops there rather than
// hold a volume of nothing but navigation packs.
constexpr size_t kMaxNavPacks = size_t{1} << 20;
constexpr int kReadChunkSectors = 512;
// The longest frame of either system: how far a time rounded to frames may
// be from the presentation time.
constexpr int64_t kFrameMs = 40;

struct Nav {
  uint32_t sector;
  uint32_t pciLbn, dsiLbn, vobuEa;
  uint16_t vobIdn;
  uint8_t cellIdn;
  uint8_t cEltm[4];
  uint8_t pciEltm[4];
  uint32_t sPtm, ePtm;
  uint32_t sri[kSriEntries];
};

inline int64_t TimeMs(const uint8_t* bcd) {
  auto v = [](uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); };
  const int fps = (bcd[3] >> 6) == 1 ? 25 : 30;
  return ((v(bcd[0]) * 60LL + v(bcd[1])) * 60 + v(bcd[2])) * 1000 +
         v(bcd[3] & 0x3F) * 1000 / fps;
}

inline int64_t TimeMs(const dvd_time_t& t) {
  const uint8_t b[4] = {t.hour, t.minute, t.second, t.frame_u};
  return TimeMs(b);
}

inline std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
inline std::string Format(const char* fmt, ...) {
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  return text;
}

// A text as one field of a line: tabs and line ends become spaces.
inline std::string OneField(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}

inline std::string ClockText(int64_t ms) {
  return Format("%lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
}

inline void CollectLog(void* priv, dvd_logger_level_t level, const char* fmt, va_list ap) {
  if (level == DVD_LOGGER_LEVEL_DEBUG || level == DVD_LOGGER_LEVEL_INFO) return;
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  std::string line = text;
  // Notes about CSS and about finding a device say nothing about the files.
  if (line.find("css") != std::string::npos || line.find("Encrypted DVD") != std::string::npos ||
      line.find("Couldn't find device name") != std::string::npos)
    return;
  static_cast<std::vector<std::string>*>(priv)->push_back(line);
}

struct DvdClose {
  void operator()(dvd_reader_t* d) const { DVDClose(d); }
  void operator()(dvd_file_t* f) const { DVDCloseFile(f); }
  void operator()(ifo_handle_t* h) const { ifoClose(h); }
};
using Reader = std::unique_ptr<dvd_reader_t, DvdClose>;
using File = std::unique_ptr<dvd_file_t, DvdClose>;
using Ifo = std::unique_ptr<ifo_handle_t, DvdClose>;

// The report's numbers after the faults: "S" and tab-separated fields.
inline std::string SummaryLine(const VolumeReport& r) {
  std::string line = Format("S\t%d\t%d\t%d\t%d\t%lld", r.opened ? 1 : 0, r.titles, r.chapters,
                            r.cells, static_cast<long long>(r.lengthMs));
  for (int64_t ms : r.chapterMs) line += Format("\t%lld", static_cast<long long>(ms));
  return line;
}

class Checker {
 public:
  // With `out` >= 0, each fault is also written there as it is found (see
  // CheckVolume).
  Checker(VolumeReport& r, int out) : r_(r), out_(out) {}

  void Fault(const std::string& place, const std::string& what);

  void Warning(const std::string& place, const std::string& what);

  void SendLine(const std::string& line);

  void Run(const std::string& path);

 private:
  void FlushLog(const std::string& place);

  // Compares the two files in pieces, so that no size read from the volume
  // sizes a buffer.
  void CompareBackup(int n, const std::string& stem);

  // Reads every navigation pack of the title VOBs.
  bool ScanNavPacks(int v, const std::string& where, uint32_t& sectors);

  // The navigation pack at `sector`, or nullptr.
  const Nav* NavAt(uint64_t sector) const;

  void CheckNavPacks(const std::string& where, uint32_t sectors);

  // The attribute bytes as the file holds them: libdvdread's bit fields
  // of them depend on how the compiler lays bit fields out.
  void CheckVideoAttributes(int v, const std::string& ifoName);

  void CheckAdmap(const ifo_handle_t& vts, const std::string& ifoName);

  // The NAV packs from `first` to `last`, as indices [a, b).
  std::pair<size_t, size_t> NavsIn(uint32_t first, uint32_t last) const;

  void CheckCadt(const ifo_handle_t& vts, const std::string& ifoName, uint32_t sectors);

  const cell_adr_t* FindCell(const ifo_handle_t& vts, uint16_t vob, uint8_t cell) const;

  void CheckCellTimes(TimeChecker& check, const std::string& place, const cell_playback_t& play,
                      size_t lo, size_t hi);

  void CheckPgc(const ifo_handle_t& vts, const std::string& ifoName, int number,
                const pgc_t& pgc);

  // The first sector of the title set's information file as it holds it
  // (fewer bytes when the file is shorter).
  std::vector<uint8_t> ReadMat(int v);

  // The streams the title set and the program chain declare against the
  // packs of the chain's cells.
  void CheckDeclaredStreams(const ifo_handle_t& vts, const std::string& ifoName, int number,
                            const pgc_t& pgc, const std::vector<uint8_t>& mat);

  void CheckTimeMap(const ifo_handle_t& vts, const std::string& ifoName, const pgcit_t& pgcit);

  void CheckTitleSet(int v, const tt_srpt_t& tt);

  // `vts`: the title set that holds it, named in each fault.
  void PlayTitle(const std::string& path, int title, int vts, int parts);

  // The information file `n` (0: VIDEO_TS.IFO) read through the format
  // layer's model, as re-authoring reads it: a table it refuses is a fault.
  void CheckIfoTables(int n, const std::string& ifoName);

  // In a disc image, where the file system put the information file `n`
  // and its VOBs and backup against the sectors its head (and, for a title
  // set, VIDEO_TS.IFO's title table) gives, as a player finds them.
  void CheckPlacement(int n, const dvd::IfoModel& m);

  VolumeReport& r_;
  int out_;
  Reader reader_;
  std::vector<std::string> log_;
  std::vector<Nav> navs_;
  std::vector<PackStreams> vobuStreams_;  // the streams of each VOBU, as navs_
  SequenceHeader sequence_;  // the title set's first, when haveSequence_
  bool haveSequence_ = false;
  std::string vobs_;  // the title VOBs being checked: "VTS_01"
  int64_t totalSectors_ = 0;  // of every title set's title VOBs
  std::unique_ptr<dvd::IfoModel> model_;  // allocated on first use
  struct TitlePlace {
    int title, vts;
    uint32_t sector;
  };
  std::vector<TitlePlace> titlePlaces_;  // VIDEO_TS.IFO's TT_SRPT, when it was read
  bool image_ = false;  // a disc image or a drive, not a folder
  std::vector<int64_t> titleBlocks_;  // sectors each title plays; -1 not known
};

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY
