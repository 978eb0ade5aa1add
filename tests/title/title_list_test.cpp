// The title list over hand-built VIDEO_TS.IFO and VTS_01_0.IFO bytes (every
// field placed at its offset), each damage with the fault it must give; and
// the chosen title's extents over files, cells out of order and across a
// file boundary.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/be.h"
#include "tests/title/title_fixture.h"
#include "title/title_choice.h"
#include "title/title_list.h"

namespace vm {
namespace {

using Bytes = std::vector<uint8_t>;

// VIDEO_TS.IFO: TT_SRPT at sector 1 with two titles of title set 1; the
// second has two angles.
Bytes Vmg() {
  Bytes b(0x1000, 0);
  std::memcpy(b.data(), "DVDVIDEO-VMG", 12);
  WriteBe32(&b[0xC4], 1);
  WriteBe16(&b[0x800], 2);
  WriteBe32(&b[0x804], 8 + 2 * 12 - 1);
  const uint8_t entries[2][12] = {{0x3C, 1, 0, 2, 0, 0, 1, 1, 0, 0, 0, 5},
                                  {0x3C, 2, 0, 1, 0, 0, 1, 2, 0, 0, 0, 5}};
  std::memcpy(&b[0x808], entries, sizeof entries);
  return b;
}

// VTS_01_0.IFO: VTS_PTT_SRPT at sector 1, VTS_PGCI at sector 2. Title 1 is
// PGC 1 (two programs, two cells, 0:01:30 and 15 frames at 30/s); title 2
// is PGC 2 (one cell, 10 s). Audio en, fr; subpicture de.
Bytes Vts() {
  Bytes b(0x1800, 0);
  std::memcpy(b.data(), "DVDVIDEO-VTS", 12);
  WriteBe32(&b[0xC8], 1);
  WriteBe32(&b[0xCC], 2);
  b[0x203] = 2;
  b[0x204] = 0x04, b[0x206] = 'e', b[0x207] = 'n';
  b[0x20C] = 0x04, b[0x20E] = 'f', b[0x20F] = 'r';
  b[0x255] = 1;
  b[0x256] = 0x01, b[0x258] = 'd', b[0x259] = 'e';
  // PTT: two titles; title 1 at +16 (PGC 1 programs 1, 2), title 2 at +24.
  WriteBe16(&b[0x800], 2);
  WriteBe32(&b[0x804], 27);
  WriteBe32(&b[0x808], 16);
  WriteBe32(&b[0x80C], 24);
  WriteBe16(&b[0x810], 1), WriteBe16(&b[0x812], 1);
  WriteBe16(&b[0x814], 1), WriteBe16(&b[0x816], 2);
  WriteBe16(&b[0x818], 2), WriteBe16(&b[0x81A], 1);
  // PGCI: two search pointers, PGCs at +0x20 and +0x220.
  WriteBe16(&b[0x1000], 2);
  WriteBe32(&b[0x100C], 0x20);
  WriteBe32(&b[0x1014], 0x220);
  uint8_t* g = &b[0x1020];
  g[2] = 2, g[3] = 2;
  g[4] = 0x00, g[5] = 0x01, g[6] = 0x30, g[7] = 0xC0 | 0x15;
  WriteBe16(g + 0xE6, 0xEC), WriteBe16(g + 0xE8, 0xF0), WriteBe16(g + 0xEA, 0x120);
  g[0xEC] = 1, g[0xED] = 2;
  WriteBe32(g + 0xF0 + 8, 0), WriteBe32(g + 0xF0 + 20, 99);
  WriteBe32(g + 0x108 + 8, 100), WriteBe32(g + 0x108 + 20, 249);
  uint8_t* h = &b[0x1220];
  h[2] = 1, h[3] = 1;
  h[4] = 0x00, h[5] = 0x00, h[6] = 0x10, h[7] = 0xC0;
  WriteBe16(h + 0xE6, 0xEC), WriteBe16(h + 0xE8, 0xF0), WriteBe16(h + 0xEA, 0x108);
  h[0xEC] = 1;
  WriteBe32(h + 0xF0 + 8, 250), WriteBe32(h + 0xF0 + 20, 299);
  return b;
}

TitleList& List() {
  static TitleList* list = new TitleList();
  return *list;
}

void Parse(const Bytes& vmg, const Bytes* vts, TitleList& list) {
  ASSERT_EQ(ParseTtSrpt(IfoView(vmg.data(), vmg.size()), list), 0);
  if (vts != nullptr) {
    const IfoView view(vts->data(), vts->size());
    ParseTitleSet(&view, 1, list);
  } else {
    ParseTitleSet(nullptr, 1, list);
  }
  FindLongestTitle(list);
}

TEST(TitleList, HandBuiltTablesGiveEveryField) {
  const Bytes vmg = Vmg(), vts = Vts();
  TitleList& list = List();
  Parse(vmg, &vts, list);
  ASSERT_EQ(list.count, 2);
  const TitleEntry& a = list.title[0];
  EXPECT_EQ(a.fault, TitleFault::None);
  EXPECT_EQ(a.vts, 1);
  EXPECT_EQ(a.ttn, 1);
  EXPECT_EQ(a.pgcn, 1);
  EXPECT_EQ(a.chapters, 2);
  EXPECT_EQ(a.cells, 2);
  EXPECT_EQ(a.programs, 2);
  EXPECT_EQ(a.angles, 1);
  EXPECT_EQ(a.lengthMs, 90500);
  EXPECT_EQ(a.cell[1].first, 100u);
  EXPECT_EQ(a.cell[1].last, 249u);
  ASSERT_EQ(a.audioNum, 2);
  EXPECT_STREQ(a.audioLang[1], "fr");
  ASSERT_EQ(a.subpicNum, 1);
  EXPECT_STREQ(a.subpicLang[0], "de");
  const TitleEntry& b = list.title[1];
  EXPECT_EQ(b.fault, TitleFault::None);
  EXPECT_EQ(b.pgcn, 2);
  EXPECT_EQ(b.angles, 2);
  EXPECT_EQ(b.cell[0].first, 250u);
  EXPECT_EQ(list.longest, 0);
}

// Each damage, and the fault it gives title 1 and title 2.
TEST(TitleList, DamagedTablesMarkTheirTitles) {
  struct Row {
    const char* what;
    std::function<void(Bytes& vts)> damage;
    TitleFault first, second;
  } rows[] = {
      {"not a VTSI", [](Bytes& v) { v[0] = 'X'; }, TitleFault::BadVtsi, TitleFault::BadVtsi},
      {"PTT table past the file", [](Bytes& v) { WriteBe32(&v[0xC8], 0x7FFFFFFF); },
       TitleFault::NoPtt, TitleFault::NoPtt},
      {"title 1's PTT offset past the file", [](Bytes& v) { WriteBe32(&v[0x808], 0xFFFFFFF0); },
       TitleFault::NoPtt, TitleFault::None},
      {"title 1's chapters in two PGCs", [](Bytes& v) { WriteBe16(&v[0x814], 2); },
       TitleFault::SeveralPgcs, TitleFault::None},
      {"no PGC", [](Bytes& v) { WriteBe16(&v[0x1000], 0); }, TitleFault::NoPgc, TitleFault::NoPgc},
      {"PGC 1 past the file", [](Bytes& v) { WriteBe32(&v[0x100C], 0xFFFFFF00); },
       TitleFault::BadPgc, TitleFault::None},
      {"PGC 1 without cells", [](Bytes& v) { v[0x1023] = 0; }, TitleFault::NoCells,
       TitleFault::None},
      {"program map names cell 3", [](Bytes& v) { v[0x1020 + 0xED] = 3; }, TitleFault::BadPgc,
       TitleFault::None},
      {"cell table past the file", [](Bytes& v) { WriteBe16(&v[0x1020 + 0xE8], 0xFFF0); },
       TitleFault::BadPgc, TitleFault::None},
      {"a cell that ends before it starts", [](Bytes& v) { WriteBe32(&v[0x1020 + 0x108 + 20], 50); },
       TitleFault::BadPgc, TitleFault::None},
      {"file cut inside PGC 1", [](Bytes& v) { v.resize(0x1080); }, TitleFault::BadPgc,
       TitleFault::BadPgc},
      {"audio count past its table", [](Bytes& v) { v[0x203] = 200; }, TitleFault::None,
       TitleFault::None},
  };
  const Bytes vmg = Vmg();
  TitleList& list = List();
  for (const Row& r : rows) {
    Bytes vts = Vts();
    r.damage(vts);
    Parse(vmg, &vts, list);
    ASSERT_EQ(list.count, 2) << r.what;
    EXPECT_EQ(list.title[0].fault, r.first) << r.what;
    EXPECT_EQ(list.title[1].fault, r.second) << r.what;
    EXPECT_LE(list.title[0].audioNum, kMaxTitleAudio) << r.what;
  }
  Parse(vmg, nullptr, list);
  EXPECT_EQ(list.title[0].fault, TitleFault::NoVtsi);
  EXPECT_EQ(list.longest, -1);
}

TEST(TitleList, DamagedTitleTable) {
  TitleList& list = List();
  Bytes vmg = Vmg();
  WriteBe32(&vmg[0xC4], 0x00FFFFFF);
  EXPECT_EQ(ParseTtSrpt(IfoView(vmg.data(), vmg.size()), list), 2);
  vmg = Vmg();
  vmg[0] = 'X';
  EXPECT_EQ(ParseTtSrpt(IfoView(vmg.data(), vmg.size()), list), 2);
  // A count larger than the entries there: the entries there are listed.
  vmg = Vmg();
  WriteBe16(&vmg[0x800], 500);
  vmg.resize(0x808 + 12 + 5);
  EXPECT_EQ(ParseTtSrpt(IfoView(vmg.data(), vmg.size()), list), 0);
  EXPECT_EQ(list.count, 1);
  vmg = Vmg();
  vmg[0x80E] = 0;  // title set number 0
  EXPECT_EQ(ParseTtSrpt(IfoView(vmg.data(), vmg.size()), list), 0);
  EXPECT_EQ(list.title[0].fault, TitleFault::NoVtsi);
}

// Two files of 100 sectors; the title's cells in play order cross the file
// boundary, run backwards, and two follow each other (one extent).
TEST(TitleExtents, CellsBecomeRunsOfFileSectors) {
  TitleTables& t = FreshTables();
  t.VobFileNum = 2;
  for (int f = 0; f < 2; ++f) {
    std::snprintf(t.VobFileName[f], kPathBytes, "/in/VTS_02_%d.VOB", f + 1);
    t.VobFileSectors[f] = 100;
    t.VobFileVtsSector[f] = 100 * f;
  }
  TitleEntry& e = t.Titles.title[0];
  t.Titles.count = 1;
  const TitleCell cells[] = {{150, 169, 0}, {50, 149, 0}, {20, 29, 0}, {30, 39, 0}};
  e.cells = 4;
  std::memcpy(e.cell, cells, sizeof cells);
  RecordingUi ui;
  ASSERT_EQ(BuildTitleExtents(t, ui, 1), 0);
  struct Want {
    int file;
    int32_t first, sectors, vts;
  } want[] = {{1, 50, 20, 150}, {0, 50, 50, 50}, {1, 0, 50, 100}, {0, 20, 20, 20}};
  ASSERT_EQ(t.VobFileNum, 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(std::string(t.VobFileName[k]), "/in/VTS_02_" + std::to_string(want[k].file + 1) + ".VOB") << k;
    EXPECT_EQ(t.VobFileFirstSector[k], want[k].first) << k;
    EXPECT_EQ(t.VobFileSectors[k], want[k].sectors) << k;
    EXPECT_EQ(t.VobFileVtsSector[k], want[k].vts) << k;
  }

  // A cell past the files is refused, and the extents are left as they were
  // (the read then puts back the last good read's file list).
  t.VobFileNum = 2;
  t.VobFileFirstSector[0] = t.VobFileFirstSector[1] = 0;
  t.VobFileSectors[0] = t.VobFileSectors[1] = 100;
  t.VobFileVtsSector[1] = 100;
  e.cell[0] = {190, 210, 0};
  EXPECT_EQ(BuildTitleExtents(t, ui, 1), 1);
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, "Title 1: its cells lie outside its VOB files.");
  EXPECT_EQ(t.VobFileNum, 2);
  EXPECT_EQ(t.VobFileSectors[1], 100);
}

// The refusals of a chosen title, each with its message; a readable title
// gets as far as its VOB files.
TEST(TitleChoice, RefusalsNameTheirCause) {
  struct Row {
    const char* what;
    std::function<void(Bytes& vts)> damage;
    int title;
    const char* message;
    int vobSectors = 0;  // a VTS_01_1.VOB of this size, when not 0
    bool namesFile = false;  // the message starts with a file of the folder
  } rows[] = {
      {"two angles", [](Bytes&) {}, 2, "Multi angle is included (Multi angle not supported)."},
      {"interleaved cell", [](Bytes& v) { WriteBe32(&v[0x1020 + 0x108 + 12], 7); }, 1,
       "Interleave is included (Interleave not supported)."},
      {"outside the list", [](Bytes&) {}, 3, "Title 3 is not on this volume (titles 1 to 2)."},
      {"damaged program chain", [](Bytes& v) { v[0x1020 + 0xED] = 9; }, 1,
       "Title 1 cannot be read: its program chain is damaged."},
      {"readable title, no VOB files", [](Bytes&) {}, 1, "VOB files are not found for the VTSI file."},
      {"cells past its VOB file", [](Bytes&) {}, 1,
       "VTS_01_1.VOB ends the title set's VOB files at sector 100, but its cell playback table "
       "names sector 299 (a VOB file is missing or cut short).",
       100, true},
  };
  for (const Row& r : rows) {
    testing::TempDir dir;
    Bytes vts = Vts();
    r.damage(vts);
    const Bytes vmg = Vmg();
    ASSERT_TRUE(testing::WriteFile(dir / "VIDEO_TS.IFO", std::string(vmg.begin(), vmg.end())));
    ASSERT_TRUE(testing::WriteFile(dir / "VTS_01_0.IFO", std::string(vts.begin(), vts.end())));
    if (r.vobSectors > 0) {
      ASSERT_TRUE(testing::WriteFile(dir / "VTS_01_1.VOB", std::string(r.vobSectors * 2048, '\0')));
    }
    TitleTables& t = FreshTables();
    RecordingUi ui;
    EXPECT_EQ(ReadVobFiles(t, ui, dir.path().c_str(), r.title), ReadResult::Refused) << r.what;
    EXPECT_EQ(ui.OnlyText(), (r.namesFile ? dir.path() : std::string()) + r.message) << r.what;
    EXPECT_EQ(t.ChosenTitle, 0) << r.what;
    // Files found before a later refusal are not kept: the fresh tables'
    // empty list stays.
    EXPECT_EQ(t.VobFileNum, 0) << r.what;
  }
}

}  // namespace
}  // namespace vm
