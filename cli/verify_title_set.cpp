// One title set: its files, then each check in turn, then its titles'
// part-of-title entries against VIDEO_TS.IFO's.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

#include <algorithm>

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

void Checker::CheckTitleSet(int v, const tt_srpt_t& tt) {
  const std::string stem = Format("VTS_%02d_0", v);
  const std::string ifoName = stem + ".IFO";
  CompareBackup(v, stem);
  CheckIfoTables(v, ifoName);
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

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY
