// The whole disc written back with one title re-chaptered in place, judged
// from outside: libdvdread and libdvdnav open every title, HandBrake's scan
// finds them all, titles that share no cell with the edit are unchanged,
// the edited ones carry the marks in every program chain that plays them;
// every file of the other title sets is identical, every pack of the edited
// set other than a navigation pack is identical at its sector, the
// navigation packs name the cells that hold them, the sector fields follow
// the new IFO sizes, and the source is unchanged.
#include <gtest/gtest.h>

#include <dvdnav/dvdnav.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dvd/pci_buttons.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

namespace fs = std::filesystem;
using testing::RunAndCapture;

constexpr size_t kSector = 2048;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    out[e.path().filename().string()] = testing::ReadFile(e.path().string());
  return out;
}

bool IsNav(const char* p) {
  return p[14] == 0 && p[15] == 0 && p[16] == 1 && static_cast<uint8_t>(p[17]) == 0xBB;
}

// A title as libdvdread sees it: its set, chapters, and its cells'
// sectors and ids in play order.
struct TitleView {
  int vts = 0;
  int chapters = 0;
  std::vector<uint32_t> cells;  // first, last, vob id, cell id per cell
  bool operator==(const TitleView&) const = default;
};

struct DiscView {
  bool opened = false;
  std::vector<TitleView> titles;
  std::vector<uint32_t> vtsStart;  // TT_SRPT's start sector of each title
  std::string faults;              // what the sector fields or nav packs got wrong
};

// The title set's files as the disc lays them out: IFO, menu VOBs, title
// VOBs, BUP, in sectors.
int64_t Sectors(const std::map<std::string, std::string>& files, const std::string& name) {
  auto it = files.find(name);
  return it == files.end() ? 0 : static_cast<int64_t>(it->second.size() / kSector);
}

std::string TitleVobs(const std::map<std::string, std::string>& files, int vts) {
  std::string all;
  for (int n = 1; n <= 9; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", vts, n);
    auto it = files.find(name);
    if (it == files.end()) break;
    all += it->second;
  }
  return all;
}

DiscView ReadDisc(const std::string& folder) {
  DiscView v;
  const auto files = Files(folder);
  dvd_reader_t* dvd = DVDOpen(folder.c_str());
  if (dvd == nullptr) return v;
  ifo_handle_t* vmg = ifoOpen(dvd, 0);
  if (vmg == nullptr || vmg->tt_srpt == nullptr) {
    if (vmg != nullptr) ifoClose(vmg);
    DVDClose(dvd);
    return v;
  }
  v.opened = true;
  std::map<int, ifo_handle_t*> sets;
  for (int t = 0; t < vmg->tt_srpt->nr_of_srpts; ++t) {
    const title_info_t& ti = vmg->tt_srpt->title[t];
    TitleView tv;
    tv.vts = ti.title_set_nr;
    tv.chapters = ti.nr_of_ptts;
    v.vtsStart.push_back(ti.title_set_sector);
    if (!sets.count(tv.vts)) sets[tv.vts] = ifoOpen(dvd, tv.vts);
    ifo_handle_t* vts = sets[tv.vts];
    if (vts == nullptr || vts->vts_ptt_srpt == nullptr ||
        ti.vts_ttn > vts->vts_ptt_srpt->nr_of_srpts) {
      v.faults += "title " + std::to_string(t + 1) + " cannot be opened\n";
      v.titles.push_back(tv);
      continue;
    }
    const ttu_t& ttu = vts->vts_ptt_srpt->title[ti.vts_ttn - 1];
    if (ttu.nr_of_ptts != tv.chapters) v.faults += "title " + std::to_string(t + 1) + " PTT count\n";
    const int pgcn = ttu.ptt[0].pgcn;
    // libdvdnav skips a program chain that starts on an odd byte: its
    // chapters then all read as 0:00.
    if ((vts->vts_pgcit->pgci_srp[pgcn - 1].pgc_start_byte & 1) != 0)
      v.faults += "title " + std::to_string(t + 1) + " program chain on an odd byte\n";
    const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
    for (int c = 0; c < pgc->nr_of_cells; ++c)
      tv.cells.insert(tv.cells.end(),
                      {pgc->cell_playback[c].first_sector, pgc->cell_playback[c].last_sector,
                       pgc->cell_position[c].vob_id_nr, pgc->cell_position[c].cell_nr});
    v.titles.push_back(tv);
  }
  // Each set's sector fields against its files, and every navigation pack
  // of its title VOBs against the cell address table.
  for (auto& [n, vts] : sets) {
    if (vts == nullptr) continue;
    char stem[16];
    std::snprintf(stem, sizeof stem, "VTS_%02d_", n);
    const int64_t ifo = Sectors(files, std::string(stem) + "0.IFO");
    const int64_t menu = Sectors(files, std::string(stem) + "0.VOB");
    const std::string vobs = TitleVobs(files, n);
    const int64_t title = static_cast<int64_t>(vobs.size() / kSector);
    const vtsi_mat_t* m = vts->vtsi_mat;
    if (m->vtsi_last_sector + 1 != ifo || (menu > 0 && m->vtsm_vobs != ifo) ||
        m->vtstt_vobs != ifo + menu || m->vts_last_sector + 1 != 2 * ifo + menu + title)
      v.faults += std::string(stem) + " sector fields\n";
    const c_adt_t* adt = vts->vts_c_adt;
    for (size_t e = 0; adt != nullptr && e < (adt->last_byte + 1 - C_ADT_SIZE) / sizeof(cell_adr_t);
         ++e) {
      const cell_adr_t& a = adt->cell_adr_table[e];
      for (uint32_t s = a.start_sector; s <= a.last_sector && (s + 1) * kSector <= vobs.size(); ++s) {
        const char* p = vobs.data() + s * kSector;
        if (!IsNav(p)) continue;
        const uint16_t vob = static_cast<uint16_t>((static_cast<uint8_t>(p[0x41F]) << 8) |
                                                   static_cast<uint8_t>(p[0x420]));
        if (vob != a.vob_id || static_cast<uint8_t>(p[0x422]) != a.cell_id)
          v.faults += std::string(stem) + " nav pack at " + std::to_string(s) + " names another cell\n";
      }
    }
  }
  // Title sets lie one after the other, the first after the VMG's last
  // sector, each as long as its VTSI says.
  int64_t at = static_cast<int64_t>(vmg->vmgi_mat->vmg_last_sector) + 1;
  for (auto& [n, vts] : sets) {
    for (size_t t = 0; t < v.titles.size(); ++t)
      if (v.titles[t].vts == n && v.vtsStart[t] != at)
        v.faults += "title " + std::to_string(t + 1) + " start sector\n";
    if (vts != nullptr) at += static_cast<int64_t>(vts->vtsi_mat->vts_last_sector) + 1;
  }
  for (auto& [n, vts] : sets)
    if (vts != nullptr) ifoClose(vts);
  ifoClose(vmg);
  DVDClose(dvd);
  return v;
}

// libdvdnav: every title plays from its first and its last chapter.
std::string NavFaults(const std::string& folder, const DiscView& v) {
  dvdnav_t* nav = nullptr;
  if (dvdnav_open(&nav, folder.c_str()) != DVDNAV_STATUS_OK) return "dvdnav_open\n";
  std::string faults;
  int32_t titles = 0;
  if (dvdnav_get_number_of_titles(nav, &titles) != DVDNAV_STATUS_OK ||
      titles != static_cast<int32_t>(v.titles.size()))
    faults += "title count\n";
  for (int t = 1; t <= titles; ++t) {
    int32_t parts = 0;
    if (dvdnav_get_number_of_parts(nav, t, &parts) != DVDNAV_STATUS_OK ||
        parts != v.titles[t - 1].chapters ||
        dvdnav_part_play(nav, t, parts) != DVDNAV_STATUS_OK ||
        dvdnav_title_play(nav, t) != DVDNAV_STATUS_OK)
      faults += "title " + std::to_string(t) + " does not play\n";
  }
  dvdnav_close(nav);
  return faults;
}

// HandBrake's scan: the number of chapters of every title it finds.
std::vector<int> HandBrakeChapters(const std::string& folder) {
  const std::string out = RunAndCapture("HandBrakeCLI --json --scan --min-duration 0 -t 0 -i '" +
                                        folder + "' 2>/dev/null");
  std::vector<int> chapters;
  size_t at = out.find("\"TitleList\"");
  while (at != std::string::npos && (at = out.find("\"ChapterList\"", at)) != std::string::npos) {
    const size_t end = out.find(']', at);
    int n = 0;
    for (size_t p = out.find("\"Duration\"", at); p < end; p = out.find("\"Duration\"", p + 1)) ++n;
    chapters.push_back(n);
    at = end;
  }
  return chapters;
}

// The entry number of the n-th chapter line (1-based) of `read`'s list.
int ChapterEntry(const std::string& in, int title, int n) {
  const std::string list = Cli("--yes read '" + in + "' --title " + std::to_string(title), nullptr);
  size_t at = 0;
  for (int seen = 0; (at = list.find(">*", at)) != std::string::npos; ++at)
    if (++seen == n) return std::stoi(list.substr(at + 2, 5));
  return -1;
}

struct WholeDiscCase {
  const char* what;
  std::function<std::string()> volume;
  int title;
  std::function<std::string(const std::string& in)> edit;  // chapter options
  int editedVts;
  std::vector<int> chapters;   // every title's chapters after the edit
  std::vector<int> unchanged;  // titles sharing no cell with the edit
};

void PrintTo(const WholeDiscCase& c, std::ostream* os) { *os << c.what; }

class EndToEndWholeDisc : public ::testing::TestWithParam<WholeDiscCase> {};

TEST_P(EndToEndWholeDisc, EveryTitleAndFileComesBack) {
  const WholeDiscCase& c = GetParam();
  const std::string in = c.volume();
  ASSERT_FALSE(in.empty()) << "test volume could not be made";
  const auto source = Files(in);
  const DiscView before = ReadDisc(in);
  ASSERT_TRUE(before.opened);

  testing::TempDir dir;
  const std::string out = dir.path() + "VIDEO_TS/";
  int status = -1;
  const std::string log = Cli("--yes author '" + in + "' '" + out + "' --whole-disc --title " +
                                  std::to_string(c.title) + " " + c.edit(in),
                              &status);
  ASSERT_EQ(status, 0) << log;
  EXPECT_NE(log.find("Normal End."), std::string::npos) << log;
  EXPECT_EQ(Files(in), source) << "the source changed";

  const auto written = Files(out);
  ASSERT_EQ(written.size(), source.size());
  char edited[8];
  std::snprintf(edited, sizeof edited, "VTS_%02d_", c.editedVts);
  for (const auto& [name, bytes] : source) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(written.count(name));
    const std::string& now = written.at(name);
    const bool info = name.ends_with(".IFO") || name.ends_with(".BUP");
    if (name.starts_with(edited) && !name.ends_with("_0.VOB")) {
      if (info) continue;
      ASSERT_EQ(now.size(), bytes.size());
      for (size_t s = 0; s < bytes.size() / kSector; ++s) {
        if (IsNav(bytes.data() + s * kSector)) continue;
        ASSERT_EQ(0, std::memcmp(now.data() + s * kSector, bytes.data() + s * kSector, kSector))
            << "pack " << s << " moved or changed";
      }
    } else if (name.starts_with(edited)) {
      // The edited set's menus: their buttons' jumps follow the new
      // chapters, so only button command bytes may change.
      ASSERT_EQ(now.size(), bytes.size());
      for (size_t i = 0; i < bytes.size(); ++i) {
        if (now[i] == bytes[i]) continue;
        const int inTable = static_cast<int>(i % kSector) - kHliInPack - kBtnIt;
        ASSERT_TRUE(IsNav(bytes.data() + i / kSector * kSector) && inTable >= 0 &&
                    inTable % kBtnItEntryBytes >= kBtnCommand)
            << "byte " << i << " outside a button command changed";
      }
    } else if (!(info && name.starts_with("VIDEO_TS"))) {
      EXPECT_TRUE(now == bytes) << "an untouched file differs";
    }
  }

  const DiscView after = ReadDisc(out);
  ASSERT_TRUE(after.opened);
  EXPECT_EQ(after.faults, "");
  ASSERT_EQ(after.titles.size(), c.chapters.size());
  for (size_t t = 0; t < c.chapters.size(); ++t)
    EXPECT_EQ(after.titles[t].chapters, c.chapters[t]) << "title " << t + 1;
  for (int t : c.unchanged) EXPECT_TRUE(after.titles[t - 1] == before.titles[t - 1]) << "title " << t;
  EXPECT_EQ(NavFaults(out, after), "");
  EXPECT_EQ(HandBrakeChapters(out), c.chapters);
  // The volume check of every title set and title finds nothing.
  const std::string check = Cli("verify '" + out + "'", &status);
  EXPECT_EQ(status, 0) << check;
}

std::string Toggle(int entry) { return "--toggle " + std::to_string(entry); }

INSTANTIATE_TEST_SUITE_P(
    Volumes, EndToEndWholeDisc,
    ::testing::Values(
        // A chapter added inside a cell and one taken away, under menus.
        WholeDiscCase{"menus", testing::MenuVolume, 1, [](const std::string&) { return "--toggle 2,4"; },
                      1, {3, 3, 2}, {2, 3}},
        // An episode gains a chapter: the Play All title gains it too.
        WholeDiscCase{"episode", testing::PlayAllVolume, 1,
                      [](const std::string&) { return "--toggle 2"; }, 1, {3, 2, 3, 4}, {2, 3}},
        // The Play All title loses the chapter at episode 2's start; the
        // episode keeps its own first chapter.
        WholeDiscCase{"play all", testing::PlayAllVolume, 4,
                      [](const std::string& in) { return Toggle(ChapterEntry(in, 4, 2)); }, 1,
                      {2, 2, 3, 2}, {1, 2, 3}},
        // The middle one of three title sets with menus: the third set
        // moves by what the second's IFO and BUP grew.
        WholeDiscCase{"three title sets", [] { return testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets); },
                      2, [](const std::string&) { return "--toggle 2"; }, 2, {2, 3, 3}, {1, 3}},
        // One PAL title in three VOB files.
        WholeDiscCase{"single PAL title", [] {
                        return testing::RealTitleSet(
                            {"e2e_pal_split", 720, 576, true, 20, {0, 7}, 1, 0, false, 3});
                      },
                      1, [](const std::string&) { return "--toggle 3,30"; }, 1, {4}, {}}),
    [](const ::testing::TestParamInfo<WholeDiscCase>& info) {
      std::string name = info.param.what;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

// The disc image places every title set at the sector VIDEO_TS.IFO's title
// table gives, counted from VIDEO_TS.IFO's own sector, after the edited set
// grew.
TEST(EndToEndWholeDiscImage, TitleSetsLieWhereTheTitleTableSays) {
  const std::string in = testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets);
  ASSERT_FALSE(in.empty());
  testing::TempDir dir;
  const std::string out = dir.path() + "VIDEO_TS/", iso = dir.path() + "disc.iso";
  int status = -1;
  const std::string log = Cli("--yes author '" + in + "' '" + out +
                                  "' --whole-disc --title 2 --toggle 2,3 --iso '" + iso + "'",
                              &status);
  ASSERT_EQ(status, 0) << log;
  const DiscView v = ReadDisc(out);
  ASSERT_EQ(v.vtsStart.size(), 3u);
  EXPECT_GT(testing::ReadFile(out + "VTS_02_0.IFO").size(), testing::ReadFile(in + "VTS_02_0.IFO").size())
      << "the edit was to grow the second set's IFO";
  // isoinfo lists each file's first sector in brackets.
  const std::string listing = RunAndCapture("isoinfo -l -i '" + iso + "' 2>/dev/null");
  auto sectorOf = [&](const std::string& name) -> int64_t {
    const size_t at = listing.find(name + ";1");
    if (at == std::string::npos) return -1;
    const size_t open = listing.rfind('[', at);
    return std::stoll(listing.substr(open + 1));
  };
  const int64_t vmg = sectorOf("VIDEO_TS.IFO");
  ASSERT_GE(vmg, 0) << listing;
  for (int t = 0; t < 3; ++t) {
    char name[16];
    std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", t + 1);
    EXPECT_EQ(sectorOf(name) - vmg, v.vtsStart[t]) << name;
  }
}

}  // namespace
}  // namespace vm
