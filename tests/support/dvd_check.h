// libdvdread as an outside judge of a written VIDEO_TS folder: opens the
// VMGI and the first title set and collects every message it logs.
// Header-only: only test programs linked with libdvdread include it.
#pragma once

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vm::testing {

struct DvdReadReport {
  bool vmgOpened = false;
  bool vtsOpened = false;
  int titles = 0;    // TT_SRPT titles
  int chapters = 0;  // chapters of title 1 in TT_SRPT
  int ptts = 0;      // PTT entries of title 1 in the title set
  int cells = 0;     // cells of the title's PGC
  using TimeCode = std::array<uint8_t, 4>;
  std::vector<TimeCode> cellTimes;  // playback time of each cell of that PGC
  TimeCode pgcTime{};
  int tmapEntries = -1;             // of the first time map; -1 none
  int regionMask = -1;              // VIDEO_TS.IFO byte 0x23
  std::vector<std::string> log;  // every message above debug level

  std::string Log() const {
    std::string all;
    for (const std::string& l : log) all += l + "\n";
    return all;
  }
};

inline void DvdReadLog(void* priv, dvd_logger_level_t level, const char* fmt, va_list ap) {
  if (level == DVD_LOGGER_LEVEL_DEBUG) return;
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  std::string line = text;
  // Notes about libdvdcss and about mount points say nothing about the files.
  if (line.find("css") != std::string::npos || line.find("Encrypted DVD") != std::string::npos ||
      line.find("Couldn't find device name") != std::string::npos)
    return;
  static_cast<DvdReadReport*>(priv)->log.push_back(line);
}

// `folder` holds VIDEO_TS.IFO and VTS_01_0.IFO (with or without a
// trailing '/').
inline DvdReadReport ReadWithDvdRead(const std::string& folder) {
  DvdReadReport r;
  dvd_logger_cb cb = {DvdReadLog};
  dvd_reader_t* dvd = DVDOpen2(&r, &cb, folder.c_str());
  if (dvd == nullptr) {
    r.log.push_back("DVDOpen failed");
    return r;
  }
  if (ifo_handle_t* vmg = ifoOpen(dvd, 0)) {
    r.vmgOpened = true;
    if (vmg->tt_srpt != nullptr) {
      r.titles = vmg->tt_srpt->nr_of_srpts;
      if (r.titles > 0) r.chapters = vmg->tt_srpt->title[0].nr_of_ptts;
    }
    if (vmg->vmgi_mat != nullptr) r.regionMask = (vmg->vmgi_mat->vmg_category >> 16) & 0xFF;
    ifoClose(vmg);
  }
  if (ifo_handle_t* vts = ifoOpen(dvd, 1)) {
    r.vtsOpened = true;
    if (vts->vts_ptt_srpt != nullptr && vts->vts_ptt_srpt->nr_of_srpts > 0)
      r.ptts = vts->vts_ptt_srpt->title[0].nr_of_ptts;
    if (vts->vts_pgcit != nullptr && vts->vts_pgcit->nr_of_pgci_srp > 0) {
      const pgc_t* pgc = vts->vts_pgcit->pgci_srp[0].pgc;
      r.cells = pgc->nr_of_cells;
      const dvd_time_t& t = pgc->playback_time;
      r.pgcTime = {t.hour, t.minute, t.second, t.frame_u};
      for (int c = 0; c < pgc->nr_of_cells && pgc->cell_playback != nullptr; ++c) {
        const dvd_time_t& ct = pgc->cell_playback[c].playback_time;
        r.cellTimes.push_back({ct.hour, ct.minute, ct.second, ct.frame_u});
      }
    }
    if (vts->vts_tmapt != nullptr && vts->vts_tmapt->nr_of_tmaps > 0)
      r.tmapEntries = vts->vts_tmapt->tmap[0].nr_of_entries;
    ifoClose(vts);
  }
  DVDClose(dvd);
  return r;
}

}  // namespace vm::testing
