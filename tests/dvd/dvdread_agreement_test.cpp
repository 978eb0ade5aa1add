// The model against libdvdread on the title sets the tests make: every
// field both read (chains, cells, programs, commands, chapters, time maps,
// cell addresses, VOBU addresses, titles, menus) has the same value, so a
// field read at another field's offset shows here.
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "dvd/ifo_model.h"
#include "tests/support/real_titles.h"

namespace vm {
namespace {

using namespace dvd;

struct DvdClose {
  void operator()(dvd_reader_t* d) const { DVDClose(d); }
  void operator()(ifo_handle_t* h) const { ifoClose(h); }
};

void SameTime(const uint8_t* ours, const dvd_time_t& theirs, const std::string& where) {
  EXPECT_EQ(ours[0], theirs.hour) << where;
  EXPECT_EQ(ours[1], theirs.minute) << where;
  EXPECT_EQ(ours[2], theirs.second) << where;
  EXPECT_EQ(ours[3], theirs.frame_u) << where;
}

void SamePgc(const Pgc& p, const pgc_t& q, const std::string& where) {
  ASSERT_EQ(p.programCount, q.nr_of_programs) << where;
  ASSERT_EQ(p.cellCount, q.nr_of_cells) << where;
  SameTime(p.playbackTime, q.playback_time, where);
  EXPECT_EQ(p.nextPgcn, q.next_pgc_nr) << where;
  EXPECT_EQ(p.prevPgcn, q.prev_pgc_nr) << where;
  EXPECT_EQ(p.goUpPgcn, q.goup_pgc_nr) << where;
  EXPECT_EQ(p.playbackMode, q.pg_playback_mode) << where;
  EXPECT_EQ(p.stillTime, q.still_time) << where;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p.palette[i], q.palette[i]) << where;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p.audioControl[i], q.audio_control[i]) << where;
  for (int i = 0; i < 32; ++i) EXPECT_EQ(p.subpControl[i], q.subp_control[i]) << where;
  if (q.command_tbl != nullptr) {
    EXPECT_EQ(p.preCount, q.command_tbl->nr_of_pre) << where;
    EXPECT_EQ(p.postCount, q.command_tbl->nr_of_post) << where;
    EXPECT_EQ(p.cellCommandCount, q.command_tbl->nr_of_cell) << where;
    for (int i = 0; i < p.preCount; ++i)
      EXPECT_EQ(std::memcmp(p.Pre()[i].bytes, q.command_tbl->pre_cmds[i].bytes, 8), 0) << where;
    for (int i = 0; i < p.postCount; ++i)
      EXPECT_EQ(std::memcmp(p.Post()[i].bytes, q.command_tbl->post_cmds[i].bytes, 8), 0) << where;
    for (int i = 0; i < p.cellCommandCount; ++i)
      EXPECT_EQ(std::memcmp(p.CellCommands()[i].bytes, q.command_tbl->cell_cmds[i].bytes, 8), 0)
          << where;
  }
  for (int i = 0; i < p.programCount && q.program_map != nullptr; ++i)
    EXPECT_EQ(p.programMap[i], q.program_map[i]) << where << " program " << i + 1;
  for (int c = 0; c < p.cellCount && q.cell_playback != nullptr; ++c) {
    const std::string cell = where + " cell " + std::to_string(c + 1);
    const CellPlayback& a = p.cells[c];
    const cell_playback_t& b = q.cell_playback[c];
    EXPECT_EQ((a.category[0] & kCellBlockMode) >> 6, b.block_mode) << cell;
    EXPECT_EQ((a.category[0] & kCellBlockType) >> 4, b.block_type) << cell;
    EXPECT_EQ((a.category[0] & kCellSeamless) != 0, b.seamless_play != 0) << cell;
    EXPECT_EQ((a.category[0] & kCellStcDiscontinuity) != 0, b.stc_discontinuity != 0) << cell;
    EXPECT_EQ(a.stillTime, b.still_time) << cell;
    EXPECT_EQ(a.commandNr, b.cell_cmd_nr) << cell;
    SameTime(a.playbackTime, b.playback_time, cell);
    EXPECT_EQ(a.firstSector, b.first_sector) << cell;
    EXPECT_EQ(a.firstIlvuEndSector, b.first_ilvu_end_sector) << cell;
    EXPECT_EQ(a.lastVobuStartSector, b.last_vobu_start_sector) << cell;
    EXPECT_EQ(a.lastSector, b.last_sector) << cell;
  }
  for (int c = 0; c < p.cellCount && q.cell_position != nullptr; ++c) {
    EXPECT_EQ(p.positions[c].vobId, q.cell_position[c].vob_id_nr) << where;
    EXPECT_EQ(p.positions[c].cellId, q.cell_position[c].cell_nr) << where;
  }
}

void SamePgcit(const Pgcit& t, const PgcPool& pool, const pgcit_t& q, const std::string& where) {
  ASSERT_EQ(t.srpCount, q.nr_of_pgci_srp) << where;
  for (int i = 0; i < t.srpCount; ++i) {
    EXPECT_EQ(t.srp[i].category >> 24, q.pgci_srp[i].entry_id) << where;
    ASSERT_NE(q.pgci_srp[i].pgc, nullptr) << where;
    SamePgc(pool.pgc[t.srp[i].pgc], *q.pgci_srp[i].pgc, where + " PGC " + std::to_string(i + 1));
  }
}

void SameCadt(const Cadt& t, const c_adt_t& q, const std::string& where) {
  EXPECT_EQ(t.vobCount, q.nr_of_vobs) << where;
  ASSERT_EQ(static_cast<uint32_t>(t.count), (q.last_byte + 1 - 8) / 12) << where;
  for (int i = 0; i < t.count; ++i) {
    EXPECT_EQ(t.entry[i].vobId, q.cell_adr_table[i].vob_id) << where;
    EXPECT_EQ(t.entry[i].cellId, q.cell_adr_table[i].cell_id) << where;
    EXPECT_EQ(t.entry[i].startSector, q.cell_adr_table[i].start_sector) << where;
    EXPECT_EQ(t.entry[i].lastSector, q.cell_adr_table[i].last_sector) << where;
  }
}

void SameAdmap(const VobuAdmap& t, const vobu_admap_t& q, const std::string& where) {
  ASSERT_EQ(static_cast<uint32_t>(t.count), (q.last_byte + 1 - 4) / 4) << where;
  for (int i = 0; i < t.count; ++i) EXPECT_EQ(t.sector[i], q.vobu_start_sectors[i]) << where;
}

void SamePgciUt(const PgciUt& t, const PgcPool& pool, const pgci_ut_t& q, const std::string& where) {
  ASSERT_EQ(t.luCount, q.nr_of_lus) << where;
  for (int i = 0; i < t.luCount; ++i) {
    EXPECT_EQ(t.lu[i].language, q.lu[i].lang_code) << where;
    ASSERT_NE(q.lu[i].pgcit, nullptr) << where;
    SamePgcit(t.unit[t.lu[i].unit], pool, *q.lu[i].pgcit, where + " LU " + std::to_string(i + 1));
  }
}

TEST(RealTitleDvdReadAgreement, ModelAndLibdvdreadReadTheSameFields) {
  const std::string volumes[] = {
      testing::MenuVolume(),
      testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets),
      testing::MultiTitleVolume(testing::MultiTitleKind::OneSetThreePgcs),
  };
  auto m = std::make_unique<IfoModel>();
  for (const std::string& folder : volumes) {
    ASSERT_FALSE(folder.empty());
    std::unique_ptr<dvd_reader_t, DvdClose> reader(DVDOpen(folder.c_str()));
    ASSERT_NE(reader, nullptr) << folder;
    std::unique_ptr<ifo_handle_t, DvdClose> vmg(ifoOpen(reader.get(), 0));
    ASSERT_NE(vmg, nullptr) << folder;
    IfoStatus st;
    ASSERT_TRUE(ReadIfoFile((folder + "VIDEO_TS.IFO").c_str(), *m, st)) << st.cause.c_str();
    ASSERT_EQ(m->ttSrpt.count, vmg->tt_srpt->nr_of_srpts);
    for (int i = 0; i < m->ttSrpt.count; ++i) {
      const TtEntry& a = m->ttSrpt.title[i];
      const title_info_t& b = vmg->tt_srpt->title[i];
      EXPECT_EQ(a.angles, b.nr_of_angles) << folder;
      EXPECT_EQ(a.chapters, b.nr_of_ptts) << folder;
      EXPECT_EQ(a.parentalMask, b.parental_id) << folder;
      EXPECT_EQ(a.vts, b.title_set_nr) << folder;
      EXPECT_EQ(a.vtsTitle, b.vts_ttn) << folder;
      EXPECT_EQ(a.vtsSector, b.title_set_sector) << folder;
    }
    EXPECT_EQ(m->vmgi.titleSets, vmg->vmgi_mat->vmg_nr_of_title_sets);
    EXPECT_EQ(m->vmgi.menuVobs, vmg->vmgi_mat->vmgm_vobs);
    if (m->firstPlay >= 0) {
      ASSERT_NE(vmg->first_play_pgc, nullptr);
      SamePgc(m->pgcs.pgc[m->firstPlay], *vmg->first_play_pgc, folder + " first play");
    }
    if (vmg->pgci_ut != nullptr) SamePgciUt(m->menuPgciUt, m->pgcs, *vmg->pgci_ut, folder + " VMGM");
    if (vmg->menu_c_adt != nullptr) SameCadt(m->menuCadt, *vmg->menu_c_adt, folder + " VMGM_C_ADT");
    if (vmg->menu_vobu_admap != nullptr)
      SameAdmap(m->menuVobuAdmap, *vmg->menu_vobu_admap, folder + " VMGM_VOBU_ADMAP");

    for (int v = 1; v <= vmg->vmgi_mat->vmg_nr_of_title_sets; ++v) {
      const std::string where = folder + " VTS " + std::to_string(v);
      char name[16];
      std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", v);
      ASSERT_TRUE(ReadIfoFile((folder + name).c_str(), *m, st)) << st.cause.c_str();
      std::unique_ptr<ifo_handle_t, DvdClose> vts(ifoOpen(reader.get(), v));
      ASSERT_NE(vts, nullptr) << where;
      EXPECT_EQ(m->vtsi.titleVobs, vts->vtsi_mat->vtstt_vobs) << where;
      EXPECT_EQ(m->vtsi.menuVobs, vts->vtsi_mat->vtsm_vobs) << where;
      EXPECT_EQ(m->vtsi.lastSector, vts->vtsi_mat->vts_last_sector) << where;
      EXPECT_EQ(m->vtsi.audioCount, vts->vtsi_mat->nr_of_vts_audio_streams) << where;
      SamePgcit(m->pgcit, m->pgcs, *vts->vts_pgcit, where);
      ASSERT_NE(vts->vts_ptt_srpt, nullptr);
      ASSERT_EQ(m->pttSrpt.count, vts->vts_ptt_srpt->nr_of_srpts) << where;
      for (int t = 0; t < m->pttSrpt.count; ++t) {
        const ttu_t& u = vts->vts_ptt_srpt->title[t];
        ASSERT_EQ(m->pttSrpt.ttu[t].count, u.nr_of_ptts) << where;
        for (int k = 0; k < u.nr_of_ptts; ++k) {
          EXPECT_EQ(m->pttSrpt.ttu[t].ptt[k].pgcn, u.ptt[k].pgcn) << where;
          EXPECT_EQ(m->pttSrpt.ttu[t].ptt[k].pgn, u.ptt[k].pgn) << where;
        }
      }
      ASSERT_NE(vts->vts_tmapt, nullptr);
      ASSERT_EQ(m->tmapt.count, vts->vts_tmapt->nr_of_tmaps) << where;
      for (int t = 0; t < m->tmapt.count; ++t) {
        const Tmap& a = m->tmapt.map[t];
        const vts_tmap_t& b = vts->vts_tmapt->tmap[t];
        EXPECT_EQ(a.unit, b.tmu) << where;
        ASSERT_EQ(a.count, b.nr_of_entries) << where;
        for (int k = 0; k < a.count; ++k) EXPECT_EQ(m->tmapt.entry[a.first + k], b.map_ent[k]) << where;
      }
      SameCadt(m->titleCadt, *vts->vts_c_adt, where + " VTS_C_ADT");
      SameAdmap(m->titleVobuAdmap, *vts->vts_vobu_admap, where + " VTS_VOBU_ADMAP");
      if (vts->pgci_ut != nullptr) SamePgciUt(m->menuPgciUt, m->pgcs, *vts->pgci_ut, where + " VTSM");
      if (vts->menu_c_adt != nullptr) SameCadt(m->menuCadt, *vts->menu_c_adt, where + " VTSM_C_ADT");
      if (vts->menu_vobu_admap != nullptr)
        SameAdmap(m->menuVobuAdmap, *vts->menu_vobu_admap, where + " VTSM_VOBU_ADMAP");
    }
  }
}

}  // namespace
}  // namespace vm
