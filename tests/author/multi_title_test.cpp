// One title of a volume of three, written alone with an edited chapter:
// for each kind of volume (three title sets with menus; one title set of
// three program chains with their own cells) and each title, the listing,
// the written volume as libdvdread and libdvdnav see it, every pack other
// than the navigation packs against the title's cells, the chapters, and
// the source left as it was.
#include <gtest/gtest.h>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/dvd_check.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::MultiTitleKind;
using testing::RunAndCapture;

constexpr size_t kSector = 2048;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

bool IsNav(const char* sector) {
  static const char kSystemHeader[] = {0, 0, 1, static_cast<char>(0xBB)};
  return std::memcmp(sector + 14, kSystemHeader, 4) == 0;
}

// The title VOBs of title set `vts` in `folder`, one after the other.
std::string TitleVobs(const std::string& folder, int vts) {
  std::string all;
  for (int n = 1; n <= 9; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", vts, n);
    std::string bytes = testing::ReadFile(folder + name);
    if (bytes.empty()) break;
    all += bytes;
  }
  return all;
}

std::string NonNavPacks(const std::string& vobs, size_t first, size_t end) {
  std::string out;
  for (size_t s = first; s < end && (s + 1) * kSector <= vobs.size(); ++s)
    if (!IsNav(vobs.data() + s * kSector)) out.append(vobs, s * kSector, kSector);
  return out;
}

// What libdvdread says title N is: its title set and its cells' sectors in
// play order.
struct TitleCells {
  int vts = 0;
  std::vector<std::pair<uint32_t, uint32_t>> cells;
  // The program chain's colour palette and audio stream controls, and the
  // title set's audio languages.
  std::vector<uint32_t> palette;
  std::vector<uint16_t> audioControl;
  std::vector<uint16_t> audioLanguages;
};

TitleCells CellsOf(const std::string& folder, int title) {
  TitleCells r;
  dvd_reader_t* dvd = DVDOpen(folder.c_str());
  if (dvd == nullptr) return r;
  ifo_handle_t* vmg = ifoOpen(dvd, 0);
  if (vmg != nullptr && vmg->tt_srpt != nullptr && title <= vmg->tt_srpt->nr_of_srpts) {
    const title_info_t& ti = vmg->tt_srpt->title[title - 1];
    r.vts = ti.title_set_nr;
    if (ifo_handle_t* vts = ifoOpen(dvd, r.vts)) {
      const int pgcn = vts->vts_ptt_srpt->title[ti.vts_ttn - 1].ptt[0].pgcn;
      const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
      for (int c = 0; c < pgc->nr_of_cells; ++c)
        r.cells.emplace_back(uint32_t{pgc->cell_playback[c].first_sector},
                             uint32_t{pgc->cell_playback[c].last_sector});
      for (int k = 0; k < 16; ++k) r.palette.push_back(pgc->palette[k]);
      for (int k = 0; k < 8; ++k) r.audioControl.push_back(pgc->audio_control[k]);
      for (int a = 0; a < vts->vtsi_mat->nr_of_vts_audio_streams; ++a)
        r.audioLanguages.push_back(vts->vtsi_mat->vts_audio_attr[a].lang_code);
      ifoClose(vts);
    }
  }
  if (vmg != nullptr) ifoClose(vmg);
  DVDClose(dvd);
  return r;
}

// The 1-based entries a read marks as chapters (" >*00001 (...)": '>' in
// the second column, the number from the fourth).
std::vector<int> ChapterEntries(const std::string& listing) {
  std::vector<int> entries;
  size_t at = 0;
  while (at < listing.size()) {
    size_t end = listing.find('\n', at);
    if (end == std::string::npos) end = listing.size();
    const std::string line = listing.substr(at, end - at);
    if (line.size() > 3 && line[1] == '>') entries.push_back(std::atoi(line.c_str() + 3));
    at = end + 1;
  }
  return entries;
}

// Every file of the folder with a hash of its bytes.
std::map<std::string, size_t> Snapshot(const std::string& folder) {
  std::map<std::string, size_t> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] =
        std::hash<std::string>{}(testing::ReadFile(entry.path().string()));
  return files;
}

using Case = std::tuple<MultiTitleKind, int>;

class RealTitleMulti : public ::testing::TestWithParam<Case> {};

TEST_P(RealTitleMulti, OneTitleWrittenAloneWithItsChapterEdit) {
  const auto [kind, n] = GetParam();
  const std::string in = testing::MultiTitleVolume(kind);
  ASSERT_FALSE(in.empty()) << "dvdauthor or ffmpeg failed";
  const auto before = Snapshot(in);
  const auto shapes = testing::MultiTitleShapes();

  int status = -1;
  const std::string json = Cli("titles " + in + " --json", &status);
  ASSERT_EQ(status, 0) << json;
  for (size_t i = 0; i < shapes.size(); ++i) {
    const std::string entry = "{\"number\":" + std::to_string(i + 1) + ",";
    const size_t at = json.find(entry);
    ASSERT_NE(at, std::string::npos) << json;
    EXPECT_NE(json.find("\"chapters\":" + std::to_string(shapes[i].chapters) + ",", at),
              std::string::npos) << json;
  }
  EXPECT_NE(json.find("\"longest\":2}"), std::string::npos) << json;

  // The edit: a chapter on entry 3 toggled (on where there was none).
  const std::string title = " --title " + std::to_string(n);
  const std::string edited = Cli("read" + title + " --toggle 3 " + in, &status);
  ASSERT_EQ(status, 0) << edited;
  testing::TempDir out;
  const std::string written = Cli("--yes author" + title + " --toggle 3 " + in + " " + out.path(), &status);
  ASSERT_EQ(status, 0) << written;

  const std::string verify = Cli("verify " + out.path(), &status);
  EXPECT_EQ(status, 0) << verify;
  const testing::DvdReadReport report = testing::ReadWithDvdRead(out.path());
  EXPECT_TRUE(report.vmgOpened && report.vtsOpened) << report.Log();
  EXPECT_EQ(report.titles, 1);
  const std::vector<int> chapters = ChapterEntries(edited);
  EXPECT_EQ(report.chapters, static_cast<int>(chapters.size())) << report.Log();
  const std::string reread = Cli("read " + out.path(), &status);
  ASSERT_EQ(status, 0) << reread;
  EXPECT_EQ(ChapterEntries(reread), chapters);

  // Every pack other than the navigation packs, in play order.
  const TitleCells source = CellsOf(in, n);
  ASSERT_FALSE(source.cells.empty());
  const std::string vobs = TitleVobs(in, source.vts);
  std::string expected, sectors;
  for (const auto& [first, last] : source.cells) {
    expected += NonNavPacks(vobs, first, last + 1);
    sectors.append(vobs, first * kSector, (last + 1 - first) * kSector);
  }
  const std::string outVobs = TitleVobs(out.path(), 1);
  const std::string got = NonNavPacks(outVobs, 0, outVobs.size() / kSector);
  EXPECT_EQ(got.size() / kSector, expected.size() / kSector);
  EXPECT_TRUE(got == expected) << "the copied packs differ from title " << n << "'s cells";

  // The title set's and the program chain's own attributes.
  const TitleCells alone = CellsOf(out.path(), 1);
  EXPECT_EQ(alone.audioLanguages, source.audioLanguages);
  EXPECT_EQ(alone.palette, source.palette);
  EXPECT_EQ(alone.audioControl, source.audioControl);

  // Playback and the preview read the same extents: the whole time list
  // extracted is the title's cells, and its first picture decodes.
  const size_t e = edited.find("E:");
  ASSERT_NE(e, std::string::npos);
  const std::string entries = std::to_string(std::atoi(edited.c_str() + e + 2));
  const std::string clip = out.path() + "clip.mpg";
  const std::string extracted = Cli("extract" + title + " " + in + " 1-" + entries + " " + clip, &status);
  EXPECT_EQ(status, 0) << extracted;
  EXPECT_TRUE(testing::ReadFile(clip) == sectors) << "extract differs from title " << n << "'s cells";
  const std::string preview = Cli("preview" + title + " " + in + " 2 " + out.path() + "p.ppm", &status);
  EXPECT_EQ(status, 0) << preview;

  EXPECT_EQ(Snapshot(in), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, RealTitleMulti,
    ::testing::Combine(::testing::Values(MultiTitleKind::ThreeTitleSets, MultiTitleKind::OneSetThreePgcs),
                       ::testing::Values(1, 2, 3)),
    [](const ::testing::TestParamInfo<Case>& info) {
      return std::string(std::get<0>(info.param) == MultiTitleKind::ThreeTitleSets ? "Sets" : "Pgcs") +
             "Title" + std::to_string(std::get<1>(info.param));
    });

// The refusals on a volume of several titles, each with its message.
TEST(RealTitleChoice, WithoutTitleOrOutsideTheList) {
  const std::string in = testing::MultiTitleVolume(MultiTitleKind::OneSetThreePgcs);
  ASSERT_FALSE(in.empty());
  struct Row {
    std::string args;
    int status;
    std::vector<std::string> says;
  } rows[] = {
      {"read " + in, 1,
       {"Number of titles is not 1 (Multi title not supported).", "choose one with --title N",
        "vobmarks-cli titles"}},
      {"read --title 4 " + in, 1, {"Title 4 is not on this volume (titles 1 to 3)."}},
      {"read --title 0 " + in, 2, {"--title needs a title number"}},
      {"titles " + in + "x", 1, {"VIDEO_TS.IFO is not found."}},
  };
  for (const Row& r : rows) {
    int status = -1;
    const std::string said = Cli(r.args, &status);
    EXPECT_EQ(status, r.status) << r.args << "\n" << said;
    for (const std::string& s : r.says) EXPECT_NE(said.find(s), std::string::npos) << r.args << "\n" << said;
  }
}

// A single-title set read as title 1 is its whole files: the same time
// list, the same volume written (here one cut into three VOB files).
TEST(RealTitleChoice, TitleOneOfASingleTitleSetIsTheWholeSet) {
  const std::string in =
      testing::RealTitleSet({"e2e_pal_split", 720, 576, true, 20, {0, 7}, 1, 0, false, 3});
  ASSERT_FALSE(in.empty());
  int status = -1;
  EXPECT_EQ(Cli("read --title 1 " + in, &status), Cli("read " + in, &status));
  testing::TempDir whole, chosen;
  Cli("--yes author --toggle 5 " + in + " " + whole.path(), &status);
  ASSERT_EQ(status, 0);
  Cli("--yes author --title 1 --toggle 5 " + in + " " + chosen.path(), &status);
  ASSERT_EQ(status, 0);
  for (const char* name : {"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_1.VOB"})
    EXPECT_TRUE(testing::ReadFile(whole / name) == testing::ReadFile(chosen / name)) << name;
}

}  // namespace
}  // namespace vm
