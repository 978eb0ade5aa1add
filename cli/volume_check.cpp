// The volume check: libdvdread opens the information files and reads the
// title VOBs, this file holds the tables against the navigation packs it
// finds there, and libdvdnav plays every title through.
#ifdef VOBMARKS_VERIFY

#include "cli/volume_check.h"

#include <dvdnav/dvdnav.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "author/nav_pack.h"
#include "cli/stream_presence_check.h"
#include "cli/video_attributes_check.h"
#include "cli/volume_times.h"
#include "common/be.h"
#include "dvd/scrambling.h"

namespace vm {

namespace {

// PCI_GI fields besides the ones the writer uses.
constexpr int kNavPciVobuSPtm = 0x39;
constexpr int kNavPciVobuEPtm = 0x3D;
// VOBU_SRI: next video, 19 forward, next, previous, 19 backward, previous
// video; the first 21 point forward.
constexpr int kSriEntries = 42;
constexpr int kSriForwardEntries = 21;
constexpr uint32_t kSriOffsetMask = 0x3FFFFFFF;
constexpr uint32_t kSriNone = 0x3FFFFFFF;

constexpr size_t kVtsVideoAttributes = 0x200;  // VTSI_MAT: VTS_V_ATR

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

int64_t TimeMs(const uint8_t* bcd) {
  auto v = [](uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); };
  const int fps = (bcd[3] >> 6) == 1 ? 25 : 30;
  return ((v(bcd[0]) * 60LL + v(bcd[1])) * 60 + v(bcd[2])) * 1000 +
         v(bcd[3] & 0x3F) * 1000 / fps;
}

int64_t TimeMs(const dvd_time_t& t) {
  const uint8_t b[4] = {t.hour, t.minute, t.second, t.frame_u};
  return TimeMs(b);
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  return text;
}

// A text as one field of a line: tabs and line ends become spaces.
std::string OneField(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}

std::string ClockText(int64_t ms) {
  return Format("%lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
}

void CollectLog(void* priv, dvd_logger_level_t level, const char* fmt, va_list ap) {
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
std::string SummaryLine(const VolumeReport& r) {
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

  void Fault(const std::string& place, const std::string& what) {
    if (out_ >= 0) SendLine("F\t" + OneField(place) + "\t" + OneField(what));
    if (r_.faults.size() < kMaxListedFaults) {
      r_.faults.push_back({place, what});
    } else {
      ++r_.faultsLeftOut;
    }
  }

  void Warning(const std::string& place, const std::string& what) {
    if (out_ >= 0) SendLine("W\t" + OneField(place) + "\t" + OneField(what));
    if (r_.warnings.size() < kMaxListedFaults) r_.warnings.push_back({place, what});
  }

  void SendLine(const std::string& line) {
    const std::string text = line + "\n";
    for (size_t done = 0; done < text.size();) {
      ssize_t n = write(out_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }

  void Run(const std::string& path) {
    dvd_logger_cb cb = {CollectLog};
    reader_.reset(DVDOpen2(&log_, &cb, path.c_str()));
    if (!reader_) {
      Fault(path, "libdvdread cannot open it as a DVD-Video volume");
      return;
    }
    CompareBackup(0, "VIDEO_TS");
    Ifo vmg(ifoOpen(reader_.get(), 0));
    FlushLog("VIDEO_TS.IFO");
    if (!vmg || vmg->tt_srpt == nullptr || vmg->vmgi_mat == nullptr) {
      Fault("VIDEO_TS.IFO", "libdvdread cannot read it");
      return;
    }
    r_.opened = true;
    const tt_srpt_t* tt = vmg->tt_srpt;
    r_.titles = tt->nr_of_srpts;
    const int sets = vmg->vmgi_mat->vmg_nr_of_title_sets;
    for (int v = 1; v <= sets; ++v) CheckTitleSet(v, *tt);
    for (int i = 0; i < tt->nr_of_srpts; ++i) {
      r_.chapters += tt->title[i].nr_of_ptts;
      if (tt->title[i].title_set_nr < 1 || tt->title[i].title_set_nr > sets)
        Fault(Format("VIDEO_TS.IFO TT_SRPT title %d", i + 1),
              Format("title set %d does not exist", tt->title[i].title_set_nr));
    }
    // The numbers are known before playing, which is what may crash.
    if (out_ >= 0) SendLine(SummaryLine(r_));
    for (int i = 0; i < tt->nr_of_srpts; ++i)
      if (tt->title[i].title_set_nr >= 1 && tt->title[i].title_set_nr <= sets)
        PlayTitle(path, i + 1, tt->title[i].nr_of_ptts);
  }

 private:
  void FlushLog(const std::string& place) {
    for (const std::string& l : log_) Fault(place, "libdvdread: " + l);
    log_.clear();
  }

  // Compares the two files in pieces, so that no size read from the volume
  // sizes a buffer.
  void CompareBackup(int n, const std::string& stem) {
    const std::string ifoName = stem + ".IFO", bupName = stem + ".BUP";
    dvd_stat_t ifoStat{}, bupStat{};
    const bool haveIfo = DVDFileStat(reader_.get(), n, DVD_READ_INFO_FILE, &ifoStat) == 0;
    const bool haveBup = DVDFileStat(reader_.get(), n, DVD_READ_INFO_BACKUP_FILE, &bupStat) == 0;
    File ifo(haveIfo ? DVDOpenFile(reader_.get(), n, DVD_READ_INFO_FILE) : nullptr);
    File bup(haveBup ? DVDOpenFile(reader_.get(), n, DVD_READ_INFO_BACKUP_FILE) : nullptr);
    if (!ifo) Fault(ifoName, "cannot be opened");
    if (!bup) Fault(bupName, "cannot be opened");
    if (!ifo || !bup) return;
    if (ifoStat.size != bupStat.size) {
      Fault(bupName, Format("%lld bytes, %s has %lld", static_cast<long long>(bupStat.size),
                            ifoName.c_str(), static_cast<long long>(ifoStat.size)));
      return;
    }
    std::vector<uint8_t> a(kComparePieceBytes), b(kComparePieceBytes);
    for (int64_t done = 0; done < ifoStat.size;) {
      const size_t want =
          static_cast<size_t>(std::min<int64_t>(kComparePieceBytes, ifoStat.size - done));
      if (DVDReadBytes(ifo.get(), a.data(), want) != static_cast<ssize_t>(want)) {
        Fault(ifoName, Format("cannot be read at byte %lld", static_cast<long long>(done)));
        return;
      }
      if (DVDReadBytes(bup.get(), b.data(), want) != static_cast<ssize_t>(want)) {
        Fault(bupName, Format("cannot be read at byte %lld", static_cast<long long>(done)));
        return;
      }
      const auto end = a.begin() + static_cast<std::ptrdiff_t>(want);
      const auto diff = std::mismatch(a.begin(), end, b.begin());
      if (diff.first != end) {
        Fault(bupName, Format("differs from %s at byte %lld", ifoName.c_str(),
                              static_cast<long long>(done + (diff.first - a.begin()))));
        return;
      }
      done += static_cast<int64_t>(want);
    }
  }

  // Reads every navigation pack of the title VOBs.
  bool ScanNavPacks(int v, const std::string& where, uint32_t& sectors) {
    File f(DVDOpenFile(reader_.get(), v, DVD_READ_TITLE_VOBS));
    if (!f) {
      Fault(where, "the title VOB files cannot be opened");
      return false;
    }
    dvd_stat_t st{};
    if (DVDFileStat(reader_.get(), v, DVD_READ_TITLE_VOBS, &st) == 0) {
      for (int p = 0; p < st.nr_parts && p < 9; ++p)
        if (st.parts_size[p] % kPackBytes != 0)
          Fault(Format("VTS_%02d_%d.VOB", v, p + 1),
                Format("%lld bytes, not a whole number of sectors",
                       static_cast<long long>(st.parts_size[p])));
    }
    const ssize_t size = DVDFileSize(f.get());
    sectors = size > 0 ? static_cast<uint32_t>(size) : 0;
    totalSectors_ += sectors;
    navs_.clear();
    vobuStreams_.clear();
    haveSequence_ = false;
    std::vector<uint8_t> buf(static_cast<size_t>(kReadChunkSectors) * kPackBytes);
    uint32_t scrambled = 0, firstScrambled = 0;
    // Said however the scan ends.
    auto sayScrambled = [&] {
      if (scrambled > 0)
        Fault(where, Format("encrypted: %u CSS-scrambled packs, the first at sector %u; the title "
                            "must be decrypted",
                            scrambled, firstScrambled));
    };
    for (uint32_t s = 0; s < sectors; s += kReadChunkSectors) {
      const uint32_t want = std::min<uint32_t>(kReadChunkSectors, sectors - s);
      if (DVDReadBlocks(f.get(), static_cast<int>(s), want, buf.data()) !=
          static_cast<ssize_t>(want)) {
        Fault(Format("%s sector %u", where.c_str(), s), "cannot be read");
        sectors = s;
        break;
      }
      for (uint32_t k = 0; k < want; ++k) {
        const uint8_t* p = buf.data() + static_cast<size_t>(k) * kPackBytes;
        if (IsScrambledPack(p) && scrambled++ == 0) firstScrambled = s + k;
        if (!haveSequence_) haveSequence_ = FindSequenceHeader(p, sequence_);
        if (!IsNavPack(p)) {
          if (!vobuStreams_.empty()) vobuStreams_.back().Note(p);
          continue;
        }
        if (navs_.size() == kMaxNavPacks) {
          Fault(where, Format("more than %zu NAV packs; the check goes no further", kMaxNavPacks));
          sectors = s + k;
          sayScrambled();
          return true;
        }
        Nav n{};
        n.sector = s + k;
        n.pciLbn = ReadBe32(p + kNavPciLbn);
        n.dsiLbn = ReadBe32(p + kNavDsiLbn);
        n.vobuEa = ReadBe32(p + kNavVobuEa);
        n.vobIdn = ReadBe16(p + kNavVobIdn);
        n.cellIdn = p[kNavCellIdn];
        std::memcpy(n.cEltm, p + kNavDsiCEltm, sizeof n.cEltm);
        std::memcpy(n.pciEltm, p + kNavPciEltm, sizeof n.pciEltm);
        n.sPtm = ReadBe32(p + kNavPciVobuSPtm);
        n.ePtm = ReadBe32(p + kNavPciVobuEPtm);
        for (int e = 0; e < kSriEntries; ++e) n.sri[e] = ReadBe32(p + kSriNextVideo + 4 * e);
        navs_.push_back(n);
        vobuStreams_.emplace_back();
      }
    }
    sayScrambled();
    FlushLog(where);
    return true;
  }

  // The navigation pack at `sector`, or nullptr.
  const Nav* NavAt(uint64_t sector) const {
    auto it = std::lower_bound(navs_.begin(), navs_.end(), sector,
                               [](const Nav& n, uint64_t s) { return n.sector < s; });
    return it != navs_.end() && it->sector == sector ? &*it : nullptr;
  }

  void CheckNavPacks(const std::string& where, uint32_t sectors) {
    for (size_t i = 0; i < navs_.size(); ++i) {
      const Nav& n = navs_[i];
      const std::string place = Format("%s sector %u", where.c_str(), n.sector);
      if (n.dsiLbn != n.sector) Fault(place, Format("DSI NV_PCK_LBN is %u", n.dsiLbn));
      if (n.pciLbn != n.sector) Fault(place, Format("PCI NV_PCK_LBN is %u", n.pciLbn));
      const uint32_t end = i + 1 < navs_.size() ? navs_[i + 1].sector : sectors;
      if (static_cast<uint64_t>(n.sector) + n.vobuEa + 1 != end)
        Fault(place, Format("VOBU_EA %u ends the VOBU at sector %llu, the next VOBU starts at %u",
                            n.vobuEa, static_cast<unsigned long long>(n.sector) + n.vobuEa, end));
      for (int e = 0; e < kSriEntries; ++e) {
        const uint32_t off = n.sri[e] & kSriOffsetMask;
        if (off == kSriNone) continue;
        const int64_t target = e < kSriForwardEntries ? static_cast<int64_t>(n.sector) + off
                                                      : static_cast<int64_t>(n.sector) - off;
        const Nav* t = target >= 0 ? NavAt(static_cast<uint64_t>(target)) : nullptr;
        if (t == nullptr) {
          Fault(place, Format("VOBU_SRI entry %d (%08X) points at sector %lld, no NAV pack", e,
                              n.sri[e], static_cast<long long>(target)));
        } else if (t->vobIdn != n.vobIdn || t->cellIdn != n.cellIdn) {
          Fault(place, Format("VOBU_SRI entry %d (%08X) points into VOB %u cell %u, this VOBU "
                              "is in VOB %u cell %u",
                              e, n.sri[e], t->vobIdn, t->cellIdn, n.vobIdn, n.cellIdn));
        }
      }
    }
  }

  // The attribute bytes as the file holds them: libdvdread's bit fields
  // of them depend on how the compiler lays bit fields out.
  void CheckVideoAttributes(int v, const std::string& ifoName) {
    const std::string place = ifoName + " VTS_V_ATR";
    if (!haveSequence_) {
      Fault(place, "the title VOBs hold no sequence header to check it with");
      return;
    }
    File ifo(DVDOpenFile(reader_.get(), v, DVD_READ_INFO_FILE));
    uint8_t head[kVtsVideoAttributes + 2];
    if (!ifo || DVDReadBytes(ifo.get(), head, sizeof head) != static_cast<ssize_t>(sizeof head)) {
      Fault(place, "cannot be read");
      return;
    }
    const std::string differs = CompareVideoAttributes(head + kVtsVideoAttributes, sequence_);
    if (!differs.empty()) Fault(place, differs);
  }

  // The first sector of the title set's information file as it holds it
  // (fewer bytes when the file is shorter).
  std::vector<uint8_t> ReadMat(int v) {
    std::vector<uint8_t> mat(kPackBytes);
    File ifo(DVDOpenFile(reader_.get(), v, DVD_READ_INFO_FILE));
    const ssize_t got = ifo ? DVDReadBytes(ifo.get(), mat.data(), mat.size()) : 0;
    mat.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return mat;
  }

  void CheckAdmap(const ifo_handle_t& vts, const std::string& ifoName) {
    const vobu_admap_t* map = vts.vts_vobu_admap;
    if (map == nullptr) {
      Fault(ifoName + " VOBU_ADMAP", "missing");
      return;
    }
    const size_t entries = map->last_byte + 1 >= VOBU_ADMAP_SIZE
                               ? (map->last_byte + 1 - VOBU_ADMAP_SIZE) / 4
                               : 0;
    if (entries != navs_.size())
      Fault(ifoName + " VOBU_ADMAP",
            Format("%zu entries, the title VOBs hold %zu NAV packs", entries, navs_.size()));
    for (size_t k = 0; k < std::min(entries, navs_.size()); ++k) {
      if (map->vobu_start_sectors[k] != navs_[k].sector) {
        Fault(ifoName + Format(" VOBU_ADMAP entry %zu", k + 1),
              Format("sector %u, VOBU %zu starts at %u", map->vobu_start_sectors[k], k + 1,
                     navs_[k].sector));
        break;
      }
    }
  }

  // The NAV packs from `first` to `last`, as indices [a, b).
  std::pair<size_t, size_t> NavsIn(uint32_t first, uint32_t last) const {
    auto lo = std::lower_bound(navs_.begin(), navs_.end(), first,
                               [](const Nav& n, uint32_t s) { return n.sector < s; });
    auto hi = std::upper_bound(navs_.begin(), navs_.end(), last,
                               [](uint32_t s, const Nav& n) { return s < n.sector; });
    return {static_cast<size_t>(lo - navs_.begin()), static_cast<size_t>(hi - navs_.begin())};
  }

  void CheckCadt(const ifo_handle_t& vts, const std::string& ifoName, uint32_t sectors) {
    const c_adt_t* c = vts.vts_c_adt;
    if (c == nullptr) {
      Fault(ifoName + " C_ADT", "missing");
      return;
    }
    const size_t n = c->last_byte + 1 >= C_ADT_SIZE
                         ? (c->last_byte + 1 - C_ADT_SIZE) / sizeof(cell_adr_t)
                         : 0;
    uint64_t expect = 0;
    for (size_t k = 0; k < n; ++k) {
      const cell_adr_t& a = c->cell_adr_table[k];
      const std::string place =
          ifoName + Format(" C_ADT entry %zu (VOB %u cell %u)", k + 1, a.vob_id, a.cell_id);
      if (a.start_sector != expect)
        Fault(place, Format("starts at sector %u, the entry before ends at %llu", a.start_sector,
                            static_cast<unsigned long long>(expect) - 1));
      if (a.last_sector < a.start_sector || a.last_sector >= sectors) {
        Fault(place, Format("sectors %u to %u, the title VOBs hold %u", a.start_sector,
                            a.last_sector, sectors));
      } else {
        auto [lo, hi] = NavsIn(a.start_sector, a.last_sector);
        if (lo == hi || navs_[lo].sector != a.start_sector)
          Fault(place, Format("sector %u is no NAV pack", a.start_sector));
        for (size_t i = lo; i < hi; ++i) {
          if (navs_[i].vobIdn != a.vob_id || navs_[i].cellIdn != a.cell_id) {
            Fault(place, Format("the NAV pack at sector %u says VOB %u cell %u", navs_[i].sector,
                                navs_[i].vobIdn, navs_[i].cellIdn));
            break;
          }
        }
      }
      expect = static_cast<uint64_t>(a.last_sector) + 1;
    }
    if (expect != sectors)
      Fault(ifoName + " C_ADT",
            Format("the cells end at sector %llu, the title VOBs at %u",
                   static_cast<unsigned long long>(expect) - 1, sectors - 1));
  }

  const cell_adr_t* FindCell(const ifo_handle_t& vts, uint16_t vob, uint8_t cell) const {
    const c_adt_t* c = vts.vts_c_adt;
    if (c == nullptr) return nullptr;
    const size_t n = c->last_byte + 1 >= C_ADT_SIZE
                         ? (c->last_byte + 1 - C_ADT_SIZE) / sizeof(cell_adr_t)
                         : 0;
    for (size_t k = 0; k < n; ++k)
      if (c->cell_adr_table[k].vob_id == vob && c->cell_adr_table[k].cell_id == cell)
        return &c->cell_adr_table[k];
    return nullptr;
  }

  void CheckCellTimes(TimeChecker& check, const std::string& place, const cell_playback_t& play,
                      size_t lo, size_t hi) {
    std::vector<TimedNav> navs;
    for (size_t i = lo; i < hi; ++i) {
      TimedNav t{navs_[i].sector, {}, {}, navs_[i].sPtm, navs_[i].ePtm};
      std::memcpy(t.cEltm, navs_[i].cEltm, sizeof t.cEltm);
      std::memcpy(t.pciEltm, navs_[i].pciEltm, sizeof t.pciEltm);
      navs.push_back(t);
    }
    const dvd_time_t& ct = play.playback_time;
    const uint8_t time[4] = {ct.hour, ct.minute, ct.second, ct.frame_u};
    check.Cell(place, vobs_, time, navs.data(), navs.size());
  }

  void CheckPgc(const ifo_handle_t& vts, const std::string& ifoName, int number,
                const pgc_t& pgc) {
    const std::string where = ifoName + Format(" PGC %d", number);
    if (pgc.nr_of_cells > 0 && (pgc.cell_playback == nullptr || pgc.cell_position == nullptr)) {
      Fault(where, "cell tables missing");
      return;
    }
    int64_t cellsMs = 0;
    std::vector<TimeFinding> times;
    const bool pal = vts.vtsi_mat != nullptr && vts.vtsi_mat->vts_video_attr.video_format == 1;
    TimeChecker timeCheck(pal, times);
    for (int c = 0; c < pgc.nr_of_cells; ++c) {
      const cell_playback_t& play = pgc.cell_playback[c];
      const cell_position_t& pos = pgc.cell_position[c];
      const std::string place = where + Format(" cell %d", c + 1);
      cellsMs += TimeMs(play.playback_time);
      const cell_adr_t* a = FindCell(vts, pos.vob_id_nr, pos.cell_nr);
      if (a == nullptr) {
        Fault(place, Format("VOB %u cell %u is not in C_ADT", pos.vob_id_nr, pos.cell_nr));
        continue;
      }
      if (play.first_sector != a->start_sector || play.last_sector != a->last_sector)
        Fault(place, Format("sectors %u to %u, C_ADT gives %u to %u", play.first_sector,
                            play.last_sector, a->start_sector, a->last_sector));
      auto [lo, hi] = NavsIn(a->start_sector, a->last_sector);
      if (lo == hi) continue;
      if (play.last_vobu_start_sector != navs_[hi - 1].sector)
        Fault(place, Format("last VOBU at sector %u, the cell's last NAV pack is at %u",
                            play.last_vobu_start_sector, navs_[hi - 1].sector));
      CheckCellTimes(timeCheck, place, play, lo, hi);
    }
    const dvd_time_t& pt = pgc.playback_time;
    const uint8_t pgcTime[4] = {pt.hour, pt.minute, pt.second, pt.frame_u};
    timeCheck.Chain(where, pgcTime);
    for (const TimeFinding& f : times) {
      if (f.fault) {
        Fault(f.place, f.what);
      } else {
        Warning(f.place, f.what);
      }
    }
    const int64_t pgcMs = TimeMs(pgc.playback_time);
    // Each cell's time is rounded to a frame on its own.
    if (std::llabs(pgcMs - cellsMs) > kFrameMs * std::max<int>(1, pgc.nr_of_cells))
      Fault(where, Format("playback time %s, its cells add up to %s", ClockText(pgcMs).c_str(),
                          ClockText(cellsMs).c_str()));
    // The program map: program 1 at cell 1, each later one at a later cell.
    int prev = 0;
    for (int p = 0; p < pgc.nr_of_programs; ++p) {
      const int cell = pgc.program_map ? pgc.program_map[p] : 0;
      if (p == 0 && cell != 1) {
        Fault(where + " program 1", Format("entry cell %d, not 1", cell));
        break;
      }
      if (cell <= prev || cell > pgc.nr_of_cells) {
        Fault(where + Format(" program %d", p + 1),
              Format("entry cell %d, not after program %d's cell %d within the %d cells", cell,
                     p, prev, pgc.nr_of_cells));
        break;
      }
      prev = cell;
    }
  }

  // The streams the title set and the program chain declare against the
  // packs of the chain's cells.
  void CheckDeclaredStreams(const ifo_handle_t& vts, const std::string& ifoName, int number,
                            const pgc_t& pgc, const std::vector<uint8_t>& mat) {
    if (pgc.cell_position == nullptr) return;
    PackStreams carried;
    for (int c = 0; c < pgc.nr_of_cells; ++c) {
      const cell_position_t& pos = pgc.cell_position[c];
      const cell_adr_t* a = FindCell(vts, pos.vob_id_nr, pos.cell_nr);
      if (a == nullptr) continue;
      auto [lo, hi] = NavsIn(a->start_sector, a->last_sector);
      for (size_t i = lo; i < hi && i < vobuStreams_.size(); ++i) carried.Add(vobuStreams_[i]);
    }
    // Copied out of the packed structure, element by element.
    uint16_t audio[8];
    uint32_t subpic[32];
    for (int k = 0; k < 8; ++k) audio[k] = pgc.audio_control[k];
    for (int k = 0; k < 32; ++k) subpic[k] = pgc.subp_control[k];
    for (const std::string& what :
         DeclaredStreamsWithoutPacks(mat.data(), mat.size(), audio, subpic, carried))
      Fault(ifoName + Format(" PGC %d", number), what);
  }

  void CheckTimeMap(const ifo_handle_t& vts, const std::string& ifoName, const pgcit_t& pgcit) {
    const vts_tmapt_t* t = vts.vts_tmapt;
    if (t == nullptr) return;
    for (int m = 0; m < t->nr_of_tmaps && m < pgcit.nr_of_pgci_srp; ++m) {
      const vts_tmap_t& map = t->tmap[m];
      // One entry for each time unit the program chain plays, give or take
      // the one that falls on its end.
      if (pgcit.pgci_srp[m].pgc != nullptr && map.tmu > 0) {
        const int64_t units = TimeMs(pgcit.pgci_srp[m].pgc->playback_time) / 1000 / map.tmu;
        if (map.nr_of_entries + 1 < units || map.nr_of_entries > units + 1)
          Fault(ifoName + Format(" VTS_TMAP %d", m + 1),
                Format("%u entries of %u s, the PGC plays %lld such units", map.nr_of_entries,
                       map.tmu, static_cast<long long>(units)));
      } else if (map.tmu == 0 && map.nr_of_entries > 0) {
        Fault(ifoName + Format(" VTS_TMAP %d", m + 1), "time unit 0 with entries");
      }
      uint32_t prev = 0;
      for (int e = 0; e < map.nr_of_entries; ++e) {
        const uint32_t sector = map.map_ent[e] & 0x7FFFFFFF;
        if (NavAt(sector) == nullptr || sector < prev) {
          Fault(ifoName + Format(" VTS_TMAP %d entry %d", m + 1, e + 1),
                Format("sector %u is %s", sector,
                       sector < prev ? "before the entry before" : "no NAV pack"));
          break;
        }
        prev = sector;
      }
    }
  }

  void CheckTitleSet(int v, const tt_srpt_t& tt) {
    const std::string stem = Format("VTS_%02d_0", v);
    const std::string ifoName = stem + ".IFO";
    CompareBackup(v, stem);
    Ifo vts(ifoOpen(reader_.get(), v));
    FlushLog(ifoName);
    if (!vts || vts->vtsi_mat == nullptr || vts->vts_pgcit == nullptr) {
      Fault(ifoName, "libdvdread cannot read it");
      return;
    }
    const std::string where = Format("VTS_%02d", v);
    vobs_ = where;
    uint32_t sectors = 0;
    if (!ScanNavPacks(v, where, sectors)) return;
    const vtsi_mat_t& mat = *vts->vtsi_mat;
    const int64_t expected = static_cast<int64_t>(mat.vts_last_sector) -
                             mat.vtsi_last_sector - mat.vtstt_vobs;
    if (expected != sectors)
      Fault(where, Format("the title VOB files hold %u sectors, %s gives %lld", sectors,
                          ifoName.c_str(), static_cast<long long>(expected)));
    CheckNavPacks(where, sectors);
    CheckVideoAttributes(v, ifoName);
    CheckAdmap(*vts, ifoName);
    CheckCadt(*vts, ifoName, sectors);
    const pgcit_t& pgcit = *vts->vts_pgcit;
    const std::vector<uint8_t> matBytes = ReadMat(v);
    for (int p = 0; p < pgcit.nr_of_pgci_srp; ++p) {
      if (pgcit.pgci_srp[p].pgc == nullptr) continue;
      CheckPgc(*vts, ifoName, p + 1, *pgcit.pgci_srp[p].pgc);
      CheckDeclaredStreams(*vts, ifoName, p + 1, *pgcit.pgci_srp[p].pgc, matBytes);
      r_.cells += pgcit.pgci_srp[p].pgc->nr_of_cells;
      r_.lengthMs += TimeMs(pgcit.pgci_srp[p].pgc->playback_time);
    }
    CheckTimeMap(*vts, ifoName, pgcit);
    // The part-of-title table against the title search pointers.
    for (int i = 0; i < tt.nr_of_srpts; ++i) {
      const title_info_t& title = tt.title[i];
      if (title.title_set_nr != v) continue;
      const vts_ptt_srpt_t* ptt = vts->vts_ptt_srpt;
      const std::string place = ifoName + Format(" VTS_PTT_SRPT title %d", title.vts_ttn);
      if (ptt == nullptr || title.vts_ttn < 1 || title.vts_ttn > ptt->nr_of_srpts) {
        Fault(place, "missing");
        continue;
      }
      const ttu_t& parts = ptt->title[title.vts_ttn - 1];
      bool onePgc = parts.nr_of_ptts > 0;
      if (parts.nr_of_ptts != title.nr_of_ptts)
        Fault(place, Format("%u chapters, VIDEO_TS.IFO gives %u", parts.nr_of_ptts,
                            title.nr_of_ptts));
      for (int k = 0; k < parts.nr_of_ptts; ++k) {
        const ptt_info_t& part = parts.ptt[k];
        const pgc_t* pgc = part.pgcn >= 1 && part.pgcn <= pgcit.nr_of_pgci_srp
                               ? pgcit.pgci_srp[part.pgcn - 1].pgc
                               : nullptr;
        if (pgc == nullptr || part.pgn < 1 || part.pgn > pgc->nr_of_programs) {
          Fault(place + Format(" chapter %d", k + 1),
                Format("PGC %u program %u does not exist", part.pgcn, part.pgn));
          break;
        }
        const int entry = pgc->program_map ? pgc->program_map[part.pgn - 1] : 0;
        int64_t at = 0;
        for (int c = 0; c + 1 < entry && c < pgc->nr_of_cells && pgc->cell_playback; ++c)
          at += TimeMs(pgc->cell_playback[c].playback_time);
        r_.chapterMs.push_back(at);
        onePgc = onePgc && part.pgcn == parts.ptt[0].pgcn;
      }
      // A title of one program chain plays the sectors of its cells.
      const pgc_t* pgc = onePgc && parts.ptt[0].pgcn <= pgcit.nr_of_pgci_srp
                             ? pgcit.pgci_srp[parts.ptt[0].pgcn - 1].pgc
                             : nullptr;
      if (pgc != nullptr && pgc->cell_playback != nullptr) {
        int64_t blocks = 0;
        for (int c = 0; c < pgc->nr_of_cells; ++c)
          blocks += static_cast<int64_t>(pgc->cell_playback[c].last_sector) -
                    pgc->cell_playback[c].first_sector + 1;
        titleBlocks_.resize(std::max<size_t>(titleBlocks_.size(), static_cast<size_t>(i) + 1), -1);
        titleBlocks_[static_cast<size_t>(i)] = blocks;
      }
    }
  }

  void PlayTitle(const std::string& path, int title, int parts) {
    const std::string place = Format("title %d", title);
    dvdnav_t* raw = nullptr;
    // libdvdnav's notes (device names, regions) are left unsaid; what goes
    // wrong in playing shows in its status.
    dvdnav_logger_cb quiet = {[](void*, dvdnav_logger_level_t, const char*, va_list) {}};
    if (dvdnav_open2(&raw, nullptr, &quiet, path.c_str()) != DVDNAV_STATUS_OK) {
      if (raw != nullptr) dvdnav_close(raw);
      Fault(place, "libdvdnav cannot open the volume");
      return;
    }
    std::unique_ptr<dvdnav_t, dvdnav_status_t (*)(dvdnav_t*)> nav(raw, dvdnav_close);
    if (dvdnav_title_play(nav.get(), title) != DVDNAV_STATUS_OK) {
      Fault(place, Format("libdvdnav cannot play it: %s", dvdnav_err_to_string(nav.get())));
      return;
    }
    uint8_t buf[kPackBytes];
    int32_t lastPart = 0;
    int partsSeen = 0;
    int64_t blocks = 0;
    bool ended = false;
    // Every sector of the volume a few times over: a volume whose commands
    // loop ends here.
    const int64_t events = 4 * totalSectors_ + 100000;
    for (int64_t i = 0; i < events; ++i) {
      int ev = 0, len = 0;
      if (dvdnav_get_next_block(nav.get(), buf, &ev, &len) != DVDNAV_STATUS_OK) {
        Fault(place, Format("libdvdnav stopped playing: %s", dvdnav_err_to_string(nav.get())));
        return;
      }
      if (ev == DVDNAV_BLOCK_OK || ev == DVDNAV_NAV_PACKET) ++blocks;
      if (ev == DVDNAV_CELL_CHANGE) {
        int32_t t = 0, part = 0;
        if (dvdnav_current_title_info(nav.get(), &t, &part) == DVDNAV_STATUS_OK) {
          if (t != title) {  // played past the title's end into another
            ended = true;
            break;
          }
          if (part != lastPart) {
            ++partsSeen;
            lastPart = part;
          }
        }
      }
      if (ev == DVDNAV_STILL_FRAME) dvdnav_still_skip(nav.get());
      if (ev == DVDNAV_WAIT) dvdnav_wait_skip(nav.get());
      if (ev == DVDNAV_STOP) {
        ended = true;
        break;
      }
    }
    if (!ended) Fault(place, "libdvdnav did not come to the title's end");
    if (partsSeen != parts)
      Fault(place, Format("libdvdnav played %d of its %d chapters", partsSeen, parts));
    const size_t k = static_cast<size_t>(title - 1);
    if (ended && k < titleBlocks_.size() && titleBlocks_[k] >= 0 && blocks != titleBlocks_[k])
      Fault(place, Format("libdvdnav played %lld sectors, its cells hold %lld",
                          static_cast<long long>(blocks), static_cast<long long>(titleBlocks_[k])));
  }

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
  std::vector<int64_t> titleBlocks_;  // sectors each title plays; -1 not known
};

}  // namespace

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
VolumeReport CheckVolume(const std::string& path) {
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
  for (;;) {
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
