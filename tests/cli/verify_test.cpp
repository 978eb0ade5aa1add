// vobmarks-cli verify: every volume that author writes from the real title
// sets is sound, and a copy with one fault planted by hand, at offsets
// worked out from the tables, fails with that fault named. HandBrake and
// lsdvd, as players read them, find the written volumes' times where the
// navigation packs' presentation time puts them, and the region mask is
// the source's unless asked otherwise.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/damaged_input.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

namespace fs = std::filesystem;

constexpr size_t kSector = 2048;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

uint32_t Be32(const std::string& b, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Be16(const std::string& b, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
void PutBe32(std::string& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>(v >> (24 - 8 * k));
}

bool IsNav(const std::string& vob, size_t sector) {
  const auto* p = reinterpret_cast<const unsigned char*>(vob.data() + sector * kSector);
  return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA && p[14] == 0 && p[15] == 0 &&
         p[16] == 1 && p[17] == 0xBB;
}

// The n-th (0-based) navigation pack of a VOB file.
size_t NavSector(const std::string& vob, int n) {
  for (size_t s = 0; s < vob.size() / kSector; ++s)
    if (IsNav(vob, s) && n-- == 0) return s;
  return 0;
}

// VTSI_MAT: the sectors of VOBU_ADMAP and VTS_PGCIT; the first PGC's byte
// offset in the file.
constexpr size_t kVtsPgcitSector = 0xCC;
constexpr size_t kVtsVobuAdmapSector = 0xE4;
size_t FirstPgc(const std::string& ifo) {
  const size_t pgcit = Be32(ifo, kVtsPgcitSector) * kSector;
  return pgcit + Be32(ifo, pgcit + 8 + 4);  // PGCI_SRP 1: category, then offset
}
constexpr size_t kPgcCommandTableOffset = 0xE4;
constexpr size_t kPgcProgramMapOffset = 0xE6;
constexpr size_t kPgcCellPlaybackOffset = 0xE8;
constexpr size_t kCellPlaybackBytes = 24;
constexpr size_t kCellLastVobuStart = 16;

constexpr size_t kPgcPlaybackTime = 0x04;
constexpr size_t kPgcAudioControl = 0x0C;       // 8 entries of 2 bytes
constexpr size_t kPgcSubpictureControl = 0x1C;  // 32 entries of 4 bytes
constexpr size_t kVtsAstNs = 0x203;             // VTSI_MAT: low bytes of the counts
constexpr size_t kVtsAstAtrt = 0x204;
constexpr size_t kVtsSpstNs = 0x255;
constexpr size_t kCellPlaybackTime = 4;
constexpr size_t kNavCEltm = 0x423;
constexpr size_t kNavPciCEltm = 0x45;

int Bcd(char c) { return (static_cast<unsigned char>(c) >> 4) * 10 + (c & 0x0F); }
char ToBcd(int v) { return static_cast<char>((v / 10) << 4 | v % 10); }

// Adds seconds and frames to the playback time of cell `cell` (0-based) of
// the first PGC, as BCD.
void AddToCellTime(std::string& ifo, int cell, int seconds, int frames) {
  const size_t pgc = FirstPgc(ifo);
  const size_t at = pgc + Be16(ifo, pgc + kPgcCellPlaybackOffset) + kCellPlaybackBytes * cell +
                    kCellPlaybackTime;
  const int fps = (static_cast<unsigned char>(ifo[at + 3]) >> 6) == 1 ? 25 : 30;
  int f = Bcd(static_cast<char>(ifo[at + 3] & 0x3F)) + frames;
  int s = Bcd(ifo[at + 2]) + seconds + f / fps;
  ifo[at + 3] = static_cast<char>((ifo[at + 3] & 0xC0) | ToBcd(f % fps));
  ifo[at + 2] = ToBcd(s % 60);
  ifo[at + 1] = ToBcd(Bcd(ifo[at + 1]) + s / 60);
}

// Changes the same bytes in VTS_01_0.IFO and VTS_01_0.BUP.
void EditIfoAndBup(const std::string& dir, const std::function<void(std::string&)>& edit) {
  for (const char* name : {"VTS_01_0.IFO", "VTS_01_0.BUP"}) {
    std::string b = ReadFile(dir + name);
    edit(b);
    WriteFile(dir + name, b);
  }
}

void EditVob(const std::string& dir, const std::function<void(std::string&)>& edit) {
  std::string b = ReadFile(dir + "VTS_01_1.VOB");
  edit(b);
  WriteFile(dir + "VTS_01_1.VOB", b);
}

struct Plant {
  const char* what;
  std::function<void(const std::string&)> plant;
  const char* named;  // a piece of the fault line verify prints
};

class Verify : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RealTitleRecipe recipe;
    recipe.name = "ntsc-3ch";
    const std::string in = RealTitleSet(recipe);
    ASSERT_FALSE(in.empty());
    written_ = new TempDir;
    int status = -1;
    std::string out = Cli("--yes author " + in + " " + *written_ / "VIDEO_TS" +
                              " --toggle 3,9,10 --verify",
                          &status);
    ASSERT_EQ(status, 0) << out;
    ASSERT_NE(out.find("Sound."), std::string::npos) << out;
  }
  static void TearDownTestSuite() { delete written_; }
  static TempDir* written_;
};
TempDir* Verify::written_ = nullptr;

TEST_F(Verify, EachPlantedFaultIsFoundAndNamed) {
  const Plant plants[] = {
      {"a NAV pack's own address",
       [](const std::string& d) {
         EditVob(d, [](std::string& b) {
           size_t s = NavSector(b, 4) * kSector;
           PutBe32(b, s + 0x40B, Be32(b, s + 0x40B) + 1);
         });
       },
       "DSI NV_PCK_LBN is"},
      {"VOBU_EA",
       [](const std::string& d) {
         EditVob(d, [](std::string& b) {
           size_t s = NavSector(b, 6) * kSector;
           PutBe32(b, s + 0x40F, Be32(b, s + 0x40F) - 1);
         });
       },
       "VOBU_EA"},
      {"a search pointer",
       [](const std::string& d) {
         EditVob(d, [](std::string& b) { PutBe32(b, NavSector(b, 2) * kSector + 0x541, 0x80000001); });
       },
       "VOBU_SRI entry 20 (80000001) points at sector"},
      {"VOBU_ADMAP short by one entry",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           size_t at = Be32(b, kVtsVobuAdmapSector) * kSector;
           PutBe32(b, at, Be32(b, at) - 4);
         });
       },
       "VOBU_ADMAP: 19 entries, the title VOBs hold 20 NAV packs"},
      {"a cell's last VOBU",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           size_t pgc = FirstPgc(b);
           size_t cell = pgc + Be16(b, pgc + kPgcCellPlaybackOffset) + kCellPlaybackBytes;
           PutBe32(b, cell + kCellLastVobuStart, Be32(b, cell + kCellLastVobuStart) + 1);
         });
       },
       "PGC 1 cell 2: last VOBU at sector"},
      {"a program map entry",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           size_t pgc = FirstPgc(b);
           b[pgc + Be16(b, pgc + kPgcProgramMapOffset) + 2] = 2;  // program 3 at program 2's cell
         });
       },
       "program 3: entry cell 2"},
      {"a BUP that differs from its IFO",
       [](const std::string& d) {
         std::string b = ReadFile(d + "VTS_01_0.BUP");
         b[0x200] ^= 1;
         WriteFile(d + "VTS_01_0.BUP", b);
       },
       "VTS_01_0.BUP: differs from VTS_01_0.IFO at byte 512"},
      // libdvdread drops the PGC, and libdvdnav 6.1 crashes playing the
      // title: the check survives it (status 1, not a signal).
      {"a PGC command table with 65535 pre-commands",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           size_t pgc = FirstPgc(b);
           size_t cmd = pgc + Be16(b, pgc + kPgcCommandTableOffset);
           b[cmd] = b[cmd + 1] = static_cast<char>(0xFF);
         });
       },
       "VTS_PTT_SRPT title 1 chapter 1: PGC 1 program 1 does not exist"},
      // The title is NTSC 720 x 480 at 29.97 frames/s, 4:3.
      {"video attributes of PAL",
       [](const std::string& d) { EditIfoAndBup(d, [](std::string& b) { b[0x200] ^= 0x10; }); },
       "VTS_01_0.IFO VTS_V_ATR: PAL 720x576 4:3 at 25 frames/s, the sequence header has "
       "720x480 4:3 at 29.97 frames/s"},
      {"video attributes of 16:9",
       [](const std::string& d) { EditIfoAndBup(d, [](std::string& b) { b[0x200] |= 0x0C; }); },
       "NTSC 720x480 16:9 at 29.97 frames/s, the sequence header has 720x480 4:3"},
      {"video attributes of half width",
       [](const std::string& d) { EditIfoAndBup(d, [](std::string& b) { b[0x201] = 0x10; }); },
       "NTSC 352x480 4:3 at 29.97 frames/s, the sequence header has 720x480"},
      // Entries 3 to 7 make cell 2: its fourth NAV pack is inside it.
      {"a NAV pack's C_ELTM set to zero within a cell",
       [](const std::string& d) {
         EditVob(d, [](std::string& b) {
           size_t s = NavSector(b, 5) * kSector;
           PutBe32(b, s + kNavCEltm, 0x000000C0);
         });
       },
       "C_ELTM 0.000 s goes back from"},
      // Players read the PCI's copy too: it may not go back either.
      {"a NAV pack's PCI C_ELTM set to zero within a cell",
       [](const std::string& d) {
         EditVob(d, [](std::string& b) {
           size_t s = NavSector(b, 5) * kSector;
           PutBe32(b, s + kNavPciCEltm, 0x000000C0);
         });
       },
       "PCI C_ELTM 0.000 s goes back from"},
      {"video and audio packs scrambled",
       [](const std::string& d) { EditVob(d, ScrambleMediaPacks); },
       "encrypted:"},
      {"a cell's playback time a second too long",
       [](const std::string& d) { EditIfoAndBup(d, [](std::string& b) { AddToCellTime(b, 1, 1, 0); }); },
       "PGC 1 cell 2: playback time"},
      {"the title's frame rate written as 25 frames/s",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           size_t pgc = FirstPgc(b);
           b[pgc + kPgcPlaybackTime + 3] = static_cast<char>((b[pgc + kPgcPlaybackTime + 3] & 0x3F) | 0x40);
         });
       },
       "PGC 1: playback time frame-rate bits 01, the video attributes say 525/60"},
      {"a VOB file cut short",
       [](const std::string& d) {
         fs::resize_file(d + "VTS_01_1.VOB", fs::file_size(d + "VTS_01_1.VOB") - 5 * kSector);
       },
       "the title VOB files hold"},
      // The title carries one AC-3 stream and no subpicture stream.
      {"a second audio stream declared and made available",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           b[kVtsAstNs] = 2;
           std::copy_n(b.begin() + kVtsAstAtrt, 8, b.begin() + kVtsAstAtrt + 8);
           b[kVtsAstAtrt + 8 + 2] = 'f';
           b[kVtsAstAtrt + 8 + 3] = 'r';
           const size_t pgc = FirstPgc(b);
           b[pgc + kPgcAudioControl + 2] = static_cast<char>(0x81);
         });
       },
       "PGC 1: audio stream 1 (AC-3 stream 1, language fr) is declared, but no pack of the "
       "title carries it"},
      {"a subpicture stream declared and made available",
       [](const std::string& d) {
         EditIfoAndBup(d, [](std::string& b) {
           b[kVtsSpstNs] = 1;
           const size_t pgc = FirstPgc(b);
           b[pgc + kPgcSubpictureControl] = static_cast<char>(0x80);
         });
       },
       "PGC 1: subpicture stream 0 (stream 0) is declared, but no pack of the title carries it"},
  };
  const std::string sound = *written_ / "VIDEO_TS/";
  for (const Plant& p : plants) {
    TempDir dir;
    const std::string copy = dir / "VIDEO_TS/";
    fs::copy(sound, copy);
    p.plant(copy);
    int status = -1;
    std::string out = Cli("verify " + copy, &status);
    EXPECT_EQ(status, 1) << p.what << "\n" << out;
    EXPECT_NE(out.find(p.named), std::string::npos) << p.what << "\n" << out;
    std::string json = Cli("verify --json " + copy, &status);
    EXPECT_NE(json.find("\"sound\": false"), std::string::npos) << p.what;
  }
}

// A few frames off is what other authoring tools write and players cope
// with: a warning, and the volume stays sound.
TEST_F(Verify, TimesAFewFramesOffAreAWarning) {
  TempDir dir;
  const std::string copy = dir / "VIDEO_TS/";
  fs::copy(*written_ / "VIDEO_TS/", copy);
  EditIfoAndBup(copy, [](std::string& b) { AddToCellTime(b, 1, 0, 3); });
  int status = -1;
  std::string out = Cli("verify " + copy, &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Warning: VTS_01_0.IFO PGC 1 cell 2: playback time"), std::string::npos) << out;
  EXPECT_NE(out.find("Sound."), std::string::npos) << out;
  std::string json = Cli("verify --json " + copy, &status);
  EXPECT_NE(json.find("\"warnings\": [{\"place\": \"VTS_01_0.IFO PGC 1 cell 2\""), std::string::npos)
      << json;
}

TEST(VerifyWritten, EveryTestTitleSetWrittenAgainIsSound) {
  const RealTitleRecipe recipes[] = {
      {"e2e_ntsc", 720, 480, false, 20, {0, 5, 10}},
      {"e2e_pal_split", 720, 576, true, 20, {0, 7}, 1, 0, false, 3},
      {"e2e_subpictures", 352, 480, false, 12, {0, 4, 8}, 2, 1},
  };
  for (const RealTitleRecipe& r : recipes) {
    const std::string in = RealTitleSet(r);
    ASSERT_FALSE(in.empty()) << r.name;
    TempDir dir;
    int status = -1;
    std::string out = Cli("--yes author " + in + " " + dir / "V" + " --interval 30", &status);
    ASSERT_EQ(status, 0) << out;
    // A chapter at every second: many short cells.
    out = Cli("--yes author " + in + " " + dir / "W" + " --toggle 2,3,4,5,6,7,8,9,10", &status);
    ASSERT_EQ(status, 0) << out;
    for (const char* v : {"V", "W"}) {
      out = Cli("verify " + dir / v, &status);
      EXPECT_EQ(status, 0) << r.name << " " << v << "\n" << out;
    }
  }
}

// The title VOBs' VOBUs: NAV pack sector (counted over all the files) and
// presentation time from the title start, one more entry for the end.
struct Presented {
  std::vector<uint32_t> sector;
  std::vector<int64_t> ticks;
};

Presented ReadPresented(const std::string& dir) {
  Presented p;
  p.ticks.push_back(0);
  uint32_t base = 0;
  for (int n = 1; n <= 9; ++n) {
    const std::string vob = ReadFile(dir + "VTS_01_" + std::to_string(n) + ".VOB");
    if (vob.empty()) break;
    for (size_t s = 0; s < vob.size() / kSector; ++s) {
      if (!IsNav(vob, s)) continue;
      const uint32_t sPtm = Be32(vob, s * kSector + 0x39), ePtm = Be32(vob, s * kSector + 0x3D);
      p.sector.push_back(base + static_cast<uint32_t>(s));
      p.ticks.push_back(p.ticks.back() + (ePtm > sPtm ? ePtm - sPtm : 0));
    }
    base += static_cast<uint32_t>(vob.size() / kSector);
  }
  return p;
}

// Where each chapter of the first PGC starts, in presentation ticks.
std::vector<int64_t> PresentedChapterStarts(const std::string& dir, const Presented& p) {
  const std::string ifo = ReadFile(dir + "VTS_01_0.IFO");
  const size_t pgc = FirstPgc(ifo);
  const int programs = static_cast<unsigned char>(ifo[pgc + 2]);
  const size_t map = pgc + Be16(ifo, pgc + kPgcProgramMapOffset);
  const size_t cells = pgc + Be16(ifo, pgc + kPgcCellPlaybackOffset);
  std::vector<int64_t> starts;
  for (int k = 0; k < programs; ++k) {
    const int cell = static_cast<unsigned char>(ifo[map + k]);
    const uint32_t first = Be32(ifo, cells + kCellPlaybackBytes * (cell - 1) + 8);
    size_t v = 0;
    while (v < p.sector.size() && p.sector[v] < first) ++v;
    starts.push_back(p.ticks[v]);
  }
  return starts;
}

// HandBrake's scan: the chapter durations and the title's, in 90 kHz ticks.
bool HandBrakeTimes(const std::string& dir, std::vector<int64_t>& chapters, int64_t& title) {
  int status = -1;
  const std::string out =
      RunAndCapture("HandBrakeCLI --json --scan --min-duration 0 -i " + dir + " -t 0 2>/dev/null", &status);
  size_t at = out.find("\"ChapterList\"");
  if (status != 0 || at == std::string::npos) return false;
  // Each chapter has a name and a duration; the title's duration follows.
  size_t names = 0;
  for (size_t n = out.find("\"Name\": \"Chapter ", at); n != std::string::npos;
       n = out.find("\"Name\": \"Chapter ", n + 1))
    ++names;
  std::vector<int64_t> ticks;
  for (size_t t = out.find("\"Ticks\":", at); t != std::string::npos && ticks.size() <= names;
       t = out.find("\"Ticks\":", t + 1))
    ticks.push_back(std::atoll(out.c_str() + t + 8));
  if (names == 0 || ticks.size() != names + 1) return false;
  title = ticks.back();
  ticks.pop_back();
  chapters = ticks;
  return true;
}

TEST(VerifyWrittenTimes, HandBrakeAndLsdvdReadThePresentationTime) {
  const RealTitleRecipe recipes[] = {
      {"e2e_ntsc", 720, 480, false, 20, {0, 5, 10}},
      {"e2e_pal_split", 720, 576, true, 20, {0, 7}, 1, 0, false, 3},
      {"times_ntsc_split", 720, 480, false, 8, {0, 3}, 1, 0, false, 2},
      {"times_pal", 720, 576, true, 8, {0, 4}},
  };
  for (const RealTitleRecipe& r : recipes) {
    const std::string in = RealTitleSet(r);
    ASSERT_FALSE(in.empty()) << r.name;
    TempDir dir;
    const std::string few = dir / "few/", many = dir / "many/";
    int status = -1;
    std::string out = Cli("--yes author " + in + " " + few, &status);
    ASSERT_EQ(status, 0) << out;
    out = Cli("--yes author " + in + " " + many + " --toggle 2,3,4,5,6,7,8,9,10,11,12", &status);
    ASSERT_EQ(status, 0) << out;
    const int64_t frame = r.pal ? 3600 : 3003;
    for (const std::string& v : {few, many}) {
      SCOPED_TRACE(r.name + " " + v);
      const Presented p = ReadPresented(v);
      const std::vector<int64_t> starts = PresentedChapterStarts(v, p);
      std::vector<int64_t> chapters;
      int64_t title = 0;
      ASSERT_TRUE(HandBrakeTimes(v, chapters, title));
      EXPECT_LE(std::llabs(title - p.ticks.back()), frame) << title << " " << p.ticks.back();
      ASSERT_EQ(chapters.size(), starts.size());
      EXPECT_GE(chapters.size(), v == many ? 8u : 2u);
      int64_t at = 0;
      for (size_t k = 0; k < chapters.size(); ++k) {
        EXPECT_LE(std::llabs(at - starts[k]), frame) << "chapter " << k + 1 << ": " << at
                                                     << " " << starts[k];
        at += chapters[k];
      }
      out = RunAndCapture("lsdvd -v " + v + " 2>/dev/null", &status);
      EXPECT_NE(out.find(r.pal ? "FPS: 25.00" : "FPS: 29.97"), std::string::npos) << out;
    }
  }
}

// The written VIDEO_TS.IFO's region mask is the source's, or what --region
// asks for (a set bit: the region may not play).
TEST(VerifyWrittenTimes, RegionMaskIsTheSourcesUnlessAsked) {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  const std::string real = RealTitleSet(recipe);
  ASSERT_FALSE(real.empty());
  TempDir dir;
  const std::string in = dir / "in/";
  fs::copy(real, in);
  for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP"}) {
    std::string b = ReadFile(in + name);
    b[0x23] = static_cast<char>(0xFE);  // region 1 only
    WriteFile(in + name, b);
  }
  struct Case {
    const char* option;
    unsigned char mask;
  };
  const Case cases[] = {{"", 0xFE}, {"--region all", 0x00}, {"--region 2,5", 0xED},
                        {"--region 1,2,3,4,5,6,7,8", 0x00}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string out = dir / ("out" + std::to_string(n++) + "/");
    int status = -1;
    const std::string text = Cli("--yes author " + in + " " + out + " " + c.option, &status);
    ASSERT_EQ(status, 0) << text;
    for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP"})
      EXPECT_EQ(static_cast<unsigned char>(ReadFile(out + name)[0x23]), c.mask) << c.option;
  }
}

}  // namespace
}  // namespace vm::testing
