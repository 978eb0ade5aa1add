// Real title sets made with ffmpeg and dvdauthor, checked against
// libdvdread: the fixture itself, then the read command on them.
#include <gtest/gtest.h>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/be.h"
#include "common/scr.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::RealTitleRecipe;

// What libdvdread sees in a title set: the first sector of every cell and
// of every program's entry cell, in PGC order.
struct IfoFacts {
  bool ok = false;
  std::vector<uint32_t> cellSectors;
  std::vector<uint32_t> programSectors;
};

IfoFacts FactsOf(const std::string& videoTs) {
  IfoFacts f;
  std::string disc = videoTs.substr(0, videoTs.size() - std::strlen("VIDEO_TS/"));
  dvd_reader_t* dvd = DVDOpen(disc.c_str());
  if (!dvd) return f;
  ifo_handle_t* vts = ifoOpen(dvd, 1);
  if (vts && vts->vts_pgcit) {
    for (int i = 0; i < vts->vts_pgcit->nr_of_pgci_srp; ++i) {
      const pgc_t* pgc = vts->vts_pgcit->pgci_srp[i].pgc;
      for (int c = 0; c < pgc->nr_of_cells; ++c)
        f.cellSectors.push_back(pgc->cell_playback[c].first_sector);
      for (int p = 0; p < pgc->nr_of_programs; ++p)
        f.programSectors.push_back(pgc->cell_playback[pgc->program_map[p] - 1].first_sector);
    }
    f.ok = true;
  }
  if (vts) ifoClose(vts);
  DVDClose(dvd);
  return f;
}

// Every NAV pack of the title VOBs, by reading them sector by sector.
struct NavPack {
  uint32_t address;  // counted over the concatenated title VOBs
  int file;
  uint32_t sector;   // within its file
  uint32_t scr;
};

std::vector<NavPack> NavPacksOf(const std::string& videoTs, int files) {
  std::vector<NavPack> navs;
  uint32_t address = 0;
  for (int f = 0; f < files; ++f) {
    std::string data = testing::ReadFile(videoTs + "VTS_01_" + std::to_string(f + 1) + ".VOB");
    for (size_t s = 0; s + 2048 <= data.size(); s += 2048, ++address) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data()) + s;
      if (ReadBe32(p + 14) == 0x000001BB)
        navs.push_back({address, f, static_cast<uint32_t>(s / 2048), PackScr(p)});
    }
  }
  return navs;
}

TEST(RealTitleSet, IsMadeOnceWithTheCellsAndChaptersAsked) {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  std::string dir = testing::RealTitleSet(recipe);
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  IfoFacts facts = FactsOf(dir);
  ASSERT_TRUE(facts.ok);
  EXPECT_EQ(facts.programSectors.size(), 3u);
  EXPECT_EQ(facts.programSectors[0], 0u);
  std::vector<NavPack> navs = NavPacksOf(dir, 1);
  EXPECT_GE(navs.size(), 15u);
  EXPECT_EQ(testing::RealTitleSet(recipe), dir);  // cached
}

}  // namespace
}  // namespace vm
