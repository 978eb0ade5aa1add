// A title set's program chains: cells against the navigation packs and the
// cell times, programs, and the time maps.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

#include <algorithm>

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

void Checker::CheckCellTimes(TimeChecker& check, const std::string& place, const cell_playback_t& play,
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

void Checker::CheckPgc(const ifo_handle_t& vts, const std::string& ifoName, int number,
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

void Checker::CheckTimeMap(const ifo_handle_t& vts, const std::string& ifoName, const pgcit_t& pgcit) {
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

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY
