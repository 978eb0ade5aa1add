// libdvdread as an outside judge of a written VIDEO_TS folder: opens the
// VMGI and the first title set and collects every message it logs.
// Header-only: only test programs linked with libdvdread include it.
#pragma once

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <cstdarg>
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
    ifoClose(vmg);
  }
  if (ifo_handle_t* vts = ifoOpen(dvd, 1)) {
    r.vtsOpened = true;
    if (vts->vts_ptt_srpt != nullptr && vts->vts_ptt_srpt->nr_of_srpts > 0)
      r.ptts = vts->vts_ptt_srpt->title[0].nr_of_ptts;
    if (vts->vts_pgcit != nullptr && vts->vts_pgcit->nr_of_pgci_srp > 0)
      r.cells = vts->vts_pgcit->pgci_srp[0].pgc->nr_of_cells;
    ifoClose(vts);
  }
  DVDClose(dvd);
  return r;
}

}  // namespace vm::testing
