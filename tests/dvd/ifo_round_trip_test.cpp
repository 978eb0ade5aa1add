// Every information file of the title sets the tests make, read into the
// model and written back: the same bytes. A model whose tables grew is
// written so that it reads back (here and in libdvdread) with the growth,
// and damaged tables are refused with their cause, never half read.
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/be.h"
#include "dvd/ifo_model.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using dvd::IfoCode;
using dvd::IfoModel;
using dvd::IfoStatus;
namespace fs = std::filesystem;

std::vector<std::string> InformationFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string n = e.path().filename().string();
    if (n.size() > 4 && (n.ends_with(".IFO") || n.ends_with(".BUP"))) names.push_back(n);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Written(const IfoModel& m, IfoStatus& st) {
  std::string out(dvd::kMaxIfoBytes + (1u << 20), '\0');
  size_t size = 0;
  if (!dvd::WriteIfo(m, reinterpret_cast<uint8_t*>(out.data()), out.size(), size, st)) return "";
  out.resize(size);
  return out;
}

bool Read(const std::string& bytes, IfoModel& m, IfoStatus& st) {
  return dvd::ReadIfo(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), m, st);
}

struct Volume {
  const char* what;
  std::function<std::string()> folder;
  size_t files;  // information files expected (IFO and BUP)
};

TEST(RealTitleIfoRoundTrip, EveryFileOfEveryVolumeComesBackByteForByte) {
  const Volume volumes[] = {
      {"one title, three chapters",
       [] {
         testing::RealTitleRecipe r;
         r.name = "ntsc-3ch";
         return testing::RealTitleSet(r);
       },
       4},
      {"three title sets with menus",
       [] { return testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets); }, 8},
      {"one title set of three chains",
       [] { return testing::MultiTitleVolume(testing::MultiTitleKind::OneSetThreePgcs); }, 4},
      {"menus with buttons, two title sets", [] { return testing::MenuVolume(); }, 6},
  };
  auto m = std::make_unique<IfoModel>();
  for (const Volume& v : volumes) {
    std::string folder = v.folder();
    ASSERT_FALSE(folder.empty()) << v.what;
    std::vector<std::string> files = InformationFiles(folder);
    EXPECT_EQ(files.size(), v.files) << v.what;
    for (const std::string& name : files) {
      std::string source = testing::ReadFile(folder + name);
      IfoStatus st;
      ASSERT_TRUE(Read(source, *m, st)) << v.what << " " << name << ": " << st.cause.c_str();
      std::string back = Written(*m, st);
      ASSERT_TRUE(st.ok()) << v.what << " " << name << ": " << st.cause.c_str();
      ASSERT_EQ(back.size(), source.size()) << v.what << " " << name;
      for (size_t i = 0; i < source.size(); ++i)
        ASSERT_EQ(static_cast<uint8_t>(back[i]), static_cast<uint8_t>(source[i]))
            << v.what << " " << name << " differs first at byte 0x" << std::hex << i;
    }
  }
}

// Whatever title sets the other test programs have made so far (the shared
// folder holds each once): their files come back the same way.
TEST(RealTitleIfoRoundTrip, EveryCachedTitleSetComesBackByteForByte) {
  auto m = std::make_unique<IfoModel>();
  int files = 0;
  for (const auto& set : fs::directory_iterator(std::string(VM_TEST_DATA_DIR) + "/real")) {
    const std::string folder = set.path().string() + "/dvd/VIDEO_TS/";
    if (!fs::is_directory(folder)) continue;
    for (const std::string& name : InformationFiles(folder)) {
      std::string source = testing::ReadFile(folder + name);
      IfoStatus st;
      ASSERT_TRUE(Read(source, *m, st)) << folder << name << ": " << st.cause.c_str();
      ASSERT_TRUE(Written(*m, st) == source) << folder << name << " " << st.cause.c_str();
      ++files;
    }
  }
  EXPECT_GT(files, 0);
}

// What this program's own author writes (a single title, and one title
// chosen from a volume of three title sets) reads and comes back the same.
TEST(RealTitleIfoRoundTrip, AuthoredVolumesComeBackByteForByte) {
  testing::RealTitleRecipe r;
  r.name = "ntsc-3ch";
  const std::string sources[][2] = {
      {testing::RealTitleSet(r), "--toggle 3,9"},
      {testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets), "--title 2"},
  };
  auto m = std::make_unique<IfoModel>();
  for (const auto& source : sources) {
    ASSERT_FALSE(source[0].empty());
    testing::TempDir dir;
    int status = -1;
    std::string out = testing::RunAndCapture(std::string(VM_CLI_PATH) + " --yes author " +
                                                 source[0] + " " + dir / "OUT" + " " + source[1] +
                                                 " 2>&1 </dev/null",
                                             &status);
    ASSERT_EQ(status, 0) << out;
    const std::string folder = dir / "OUT/";
    std::vector<std::string> files = InformationFiles(folder);
    EXPECT_EQ(files.size(), 4u) << out;
    for (const std::string& name : files) {
      std::string bytes = testing::ReadFile(folder + name);
      IfoStatus st;
      ASSERT_TRUE(Read(bytes, *m, st)) << name << ": " << st.cause.c_str();
      EXPECT_TRUE(Written(*m, st) == bytes) << name << " " << st.cause.c_str();
    }
  }
}

// The menus volume's model holds what dvdauthor wrote: every table present,
// chains shared by nothing, commands where the XML put them.
TEST(RealTitleIfoRoundTrip, MenuVolumeTablesAreReadAsWritten) {
  std::string folder = testing::MenuVolume();
  ASSERT_FALSE(folder.empty());
  auto m = std::make_unique<IfoModel>();
  IfoStatus st;
  ASSERT_TRUE(dvd::ReadIfoFile((folder + "VIDEO_TS.IFO").c_str(), *m, st)) << st.cause.c_str();
  EXPECT_EQ(m->kind, dvd::IfoKind::kVmg);
  EXPECT_EQ(m->ttSrpt.count, 3);
  EXPECT_EQ(m->ttSrpt.title[2].vts, 2);
  EXPECT_EQ(m->ttSrpt.title[0].chapters, 3);
  ASSERT_GE(m->firstPlay, 0);
  EXPECT_EQ(m->pgcs.pgc[m->firstPlay].preCount, 1);  // jump menu 1
  EXPECT_TRUE(m->Has(dvd::IfoTable::kVmgmPgciUt));
  EXPECT_EQ(m->menuPgciUt.luCount, 1);
  EXPECT_EQ(m->vtsAtrt.count, 2);

  ASSERT_TRUE(dvd::ReadIfoFile((folder + "VTS_01_0.IFO").c_str(), *m, st)) << st.cause.c_str();
  EXPECT_EQ(m->kind, dvd::IfoKind::kVts);
  ASSERT_EQ(m->pgcit.srpCount, 2);
  const dvd::Pgc& second = m->pgcs.pgc[m->pgcit.srp[1].pgc];
  EXPECT_EQ(second.preCount, 1);
  EXPECT_EQ(second.postCount, 1);
  EXPECT_EQ(second.programCount, 3);
  EXPECT_EQ(m->pttSrpt.count, 2);
  EXPECT_EQ(m->pttSrpt.ttu[1].count, 3);
  EXPECT_EQ(m->menuPgciUt.unit[0].srpCount, 3);  // dvdauthor adds one of its own
  const dvd::Pgc& root = m->pgcs.pgc[m->menuPgciUt.unit[0].srp[0].pgc];
  EXPECT_EQ(root.cells[0].stillTime, 255);
  EXPECT_GT(m->titleCadt.count, 0);
  EXPECT_GT(m->titleVobuAdmap.count, 0);
  EXPECT_GT(m->menuVobuAdmap.count, 0);
  EXPECT_EQ(m->tmapt.count, 2);
}

// Adds a copy of the first chain's last cell as a program of its own and
// one time map entry, as re-chaptering in place does: the file grows, the
// tables after the chain move, and both this model and libdvdread read the
// new shape.
TEST(RealTitleIfoRoundTrip, GrownChainIsLaidOutAgain) {
  std::string folder = testing::MenuVolume();
  ASSERT_FALSE(folder.empty());
  auto m = std::make_unique<IfoModel>();
  IfoStatus st;
  std::string source = testing::ReadFile(folder + "VTS_01_0.IFO");
  ASSERT_TRUE(Read(source, *m, st)) << st.cause.c_str();
  dvd::Pgc& p = m->pgcs.pgc[m->pgcit.srp[0].pgc];
  const int cells = p.cellCount;
  // Enough cells that the chain passes a sector boundary.
  const int added = 100;
  for (int i = 0; i < added; ++i) {
    p.cells[cells + i] = p.cells[cells - 1];
    p.positions[cells + i] = p.positions[cells - 1];
    p.programMap[p.programCount + i] = static_cast<uint8_t>(cells + i + 1);
  }
  p.cellCount = static_cast<uint8_t>(cells + added);
  const int programs = p.programCount;
  p.programCount = static_cast<uint8_t>(programs + added);
  dvd::Tmap& map = m->tmapt.map[0];
  ASSERT_EQ(map.first + map.count, m->tmapt.entryCount - m->tmapt.map[1].count);
  // The first map's entries are followed by the second's: put the new
  // entry at the end of the pool and move the first map there.
  for (int k = 0; k < map.count; ++k) m->tmapt.entry[m->tmapt.entryCount + k] = m->tmapt.entry[map.first + k];
  m->tmapt.entry[m->tmapt.entryCount + map.count] = 0x1234;
  map.first = m->tmapt.entryCount;
  map.count += 1;
  m->tmapt.entryCount += map.count;

  std::string grown = Written(*m, st);
  ASSERT_TRUE(st.ok()) << st.cause.c_str();
  EXPECT_GT(grown.size(), source.size());
  uint32_t delta = static_cast<uint32_t>((grown.size() - source.size()) / 2048);
  EXPECT_EQ(ReadBe32(reinterpret_cast<const uint8_t*>(grown.data()) + dvd::kVtsiTitleVobs),
            m->vtsi.titleVobs + delta);
  EXPECT_EQ(ReadBe32(reinterpret_cast<const uint8_t*>(grown.data()) + dvd::kVtsiLastSector),
            m->vtsi.lastSector + 2 * delta);

  auto again = std::make_unique<IfoModel>();
  ASSERT_TRUE(Read(grown, *again, st)) << st.cause.c_str();
  const dvd::Pgc& q = again->pgcs.pgc[again->pgcit.srp[0].pgc];
  EXPECT_EQ(q.cellCount, cells + added);
  EXPECT_EQ(q.programMap[programs + added - 1], cells + added);
  EXPECT_EQ(again->tmapt.map[0].count, map.count);
  EXPECT_EQ(again->tmapt.entry[again->tmapt.map[0].first + map.count - 1], 0x1234u);
  EXPECT_EQ(Written(*again, st), grown);

  // libdvdread on a copy of the volume with the grown file and its BUP.
  testing::TempDir dir;
  for (const auto& e : fs::directory_iterator(folder))
    fs::create_symlink(e.path(), dir / e.path().filename().string());
  fs::remove(dir / "VTS_01_0.IFO");
  fs::remove(dir / "VTS_01_0.BUP");
  ASSERT_TRUE(testing::WriteFile(dir / "VTS_01_0.IFO", grown));
  ASSERT_TRUE(testing::WriteFile(dir / "VTS_01_0.BUP", grown));
  dvd_reader_t* reader = DVDOpen(dir.path().c_str());
  ASSERT_NE(reader, nullptr);
  ifo_handle_t* vts = ifoOpen(reader, 1);
  ASSERT_NE(vts, nullptr);
  ASSERT_NE(vts->vts_pgcit, nullptr);
  EXPECT_EQ(vts->vts_pgcit->pgci_srp[0].pgc->nr_of_cells, cells + added);
  EXPECT_EQ(vts->vts_pgcit->pgci_srp[0].pgc->nr_of_programs, programs + added);
  EXPECT_EQ(vts->vts_pgcit->pgci_srp[1].pgc->nr_of_cells,
            m->pgcs.pgc[m->pgcit.srp[1].pgc].cellCount);
  ASSERT_NE(vts->vts_tmapt, nullptr);
  EXPECT_EQ(vts->vts_tmapt->tmap[0].nr_of_entries, map.count);
  ASSERT_NE(vts->vts_c_adt, nullptr);
  EXPECT_EQ(static_cast<int>((vts->vts_c_adt->last_byte + 1 - 8) / 12), m->titleCadt.count);
  ifoClose(vts);
  DVDClose(reader);
}

// The first-play chain lies in VIDEO_TS.IFO's head sector: given a hundred
// more commands it outgrows it, every table after it moves a sector on, the
// head's end address follows the chain, and libdvdread reads the result.
TEST(RealTitleIfoRoundTrip, FirstPlayChainOutgrowingItsSectorMovesTheTables) {
  std::string folder = testing::MenuVolume();
  ASSERT_FALSE(folder.empty());
  auto m = std::make_unique<IfoModel>();
  IfoStatus st;
  std::string source = testing::ReadFile(folder + "VIDEO_TS.IFO");
  ASSERT_TRUE(Read(source, *m, st)) << st.cause.c_str();
  ASSERT_GE(m->firstPlay, 0);
  dvd::Pgc& fp = m->pgcs.pgc[m->firstPlay];
  ASSERT_EQ(fp.preCount, 1);
  ASSERT_EQ(fp.postCount + fp.cellCommandCount, 0);
  const dvd::Command jump = fp.commands[0];
  const dvd::Command nop = {{0, 0, 0, 0, 0, 0, 0, 0}};
  for (int i = 0; i < 100; ++i) fp.commands[i] = nop;
  fp.commands[100] = jump;
  fp.preCount = 101;

  std::string grown = Written(*m, st);
  ASSERT_TRUE(st.ok()) << st.cause.c_str();
  ASSERT_EQ(grown.size(), source.size() + 2048);
  const auto* g = reinterpret_cast<const uint8_t*>(grown.data());
  EXPECT_EQ(ReadBe32(g + dvd::kVmgiTtSrpt), m->vmgi.ttSrpt + 1);
  EXPECT_EQ(ReadBe32(g + dvd::kVmgiMenuVobs), m->vmgi.menuVobs + 1);
  EXPECT_EQ(ReadBe32(g + dvd::kVmgiMatLastByte), m->vmgi.matLastByte + 100 * 8);

  testing::TempDir dir;
  for (const auto& e : fs::directory_iterator(folder))
    fs::create_symlink(e.path(), dir / e.path().filename().string());
  fs::remove(dir / "VIDEO_TS.IFO");
  fs::remove(dir / "VIDEO_TS.BUP");
  ASSERT_TRUE(testing::WriteFile(dir / "VIDEO_TS.IFO", grown));
  ASSERT_TRUE(testing::WriteFile(dir / "VIDEO_TS.BUP", grown));
  dvd_reader_t* reader = DVDOpen(dir.path().c_str());
  ASSERT_NE(reader, nullptr);
  ifo_handle_t* vmg = ifoOpen(reader, 0);
  ASSERT_NE(vmg, nullptr);
  ASSERT_NE(vmg->first_play_pgc, nullptr);
  ASSERT_NE(vmg->first_play_pgc->command_tbl, nullptr);
  EXPECT_EQ(vmg->first_play_pgc->command_tbl->nr_of_pre, 101);
  ASSERT_NE(vmg->tt_srpt, nullptr);
  EXPECT_EQ(vmg->tt_srpt->nr_of_srpts, 3);
  ASSERT_NE(vmg->pgci_ut, nullptr);
  EXPECT_EQ(vmg->pgci_ut->nr_of_lus, 1);
  ifoClose(vmg);
  DVDClose(reader);
}

// Offsets inside VTS_01_0.IFO of the menus volume, from its own pointers.
uint32_t Be32At(const std::string& b, size_t at) {
  return ReadBe32(reinterpret_cast<const uint8_t*>(b.data()) + at);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  WriteBe32(reinterpret_cast<uint8_t*>(b.data()) + at, v);
}
void Put16(std::string& b, size_t at, uint32_t v) {
  WriteBe16(reinterpret_cast<uint8_t*>(b.data()) + at, v);
}
size_t TableAt(const std::string& b, uint32_t field) { return size_t{Be32At(b, field)} * 2048; }
size_t FirstPgcAt(const std::string& b) {
  size_t t = TableAt(b, dvd::kVtsiPgcit);
  return t + Be32At(b, t + dvd::kPgcitSrps + dvd::kSrpPgcOffset);
}

struct Damage {
  const char* what;
  std::function<void(std::string&)> apply;
  IfoCode code;
  const char* cause;  // the start of the refusal's cause
};

TEST(RealTitleIfoRoundTrip, DamagedTablesAreRefusedWithTheirCause) {
  std::string folder = testing::MenuVolume();
  ASSERT_FALSE(folder.empty());
  const std::string vts = testing::ReadFile(folder + "VTS_01_0.IFO");
  const std::string vmg = testing::ReadFile(folder + "VIDEO_TS.IFO");
  const Damage damages[] = {
      {"cell count past the cell table",
       [](std::string& b) { b[FirstPgcAt(b) + dvd::kPgcCellCount] = static_cast<char>(250); },
       IfoCode::kDamaged, "VTS_PGCIT: PGC 1 cell table past its end"},
      {"chain offset past the table",
       [](std::string& b) {
         size_t t = TableAt(b, dvd::kVtsiPgcit);
         Put32(b, t + dvd::kPgcitSrps + dvd::kSrpPgcOffset, 0x7FFFFFF0);
       },
       IfoCode::kDamaged, "VTS_PGCIT: PGC 1 outside the table"},
      {"program chain count beyond the pointers",
       [](std::string& b) { Put16(b, TableAt(b, dvd::kVtsiPgcit) + dvd::kPgcitCount, 900); },
       IfoCode::kDamaged, "VTS_PGCIT: search pointers past its end"},
      {"command count beyond the limit",
       [](std::string& b) {
         size_t p = FirstPgcAt(b);
         size_t c = p + ReadBe16(reinterpret_cast<const uint8_t*>(b.data()) + p + dvd::kPgcCommandTable);
         Put16(b, c + dvd::kCmdPreCount, 200);
       },
       IfoCode::kTooLarge, "VTS_PGCIT: PGC 1: 201 commands"},
      {"time map longer than its table",
       [](std::string& b) {
         size_t t = TableAt(b, dvd::kVtsiTmapt);
         Put16(b, t + Be32At(b, t + dvd::kTmaptOffsets) + dvd::kTmapCount, 0xFFFF);
       },
       IfoCode::kDamaged, "VTS_TMAPT: map 1 past its end"},
      {"cell address table ending past the file",
       [](std::string& b) { Put32(b, TableAt(b, dvd::kVtsiTitleCadt) + dvd::kCadtLastByte, 0x00FFFFFF); },
       IfoCode::kDamaged, "VTS_C_ADT: end past"},
      {"table sector past the file",
       [](std::string& b) { Put32(b, dvd::kVtsiTmapt, 4000); },
       IfoCode::kDamaged, "VTS_TMAPT: sector 4000 past the end of the file"},
      {"two tables at one sector",
       [](std::string& b) { Put32(b, dvd::kVtsiTmapt, Be32At(b, dvd::kVtsiPgcit)); },
       IfoCode::kDamaged, "VTS_PGCIT and VTS_TMAPT start at the same sector"},
      {"chapter pointers out of order",
       [](std::string& b) {
         size_t t = TableAt(b, dvd::kVtsiPttSrpt);
         Put32(b, t + dvd::kPttSrptOffsets, Be32At(b, t + dvd::kPttSrptOffsets + 4) + 4);
       },
       IfoCode::kDamaged, "VTS_PTT_SRPT: title 1 outside the table or out of order"},
      {"file cut inside its head", [](std::string& b) { b.resize(0x100); }, IfoCode::kDamaged,
       "VTSI_MAT: shorter than its fields"},
      {"no identifier", [](std::string& b) { b[0] = 'X'; }, IfoCode::kDamaged,
       "not a VMGI or VTSI"},
  };
  auto m = std::make_unique<IfoModel>();
  for (const Damage& d : damages) {
    std::string bytes = vts;
    d.apply(bytes);
    IfoStatus st;
    EXPECT_FALSE(Read(bytes, *m, st)) << d.what;
    EXPECT_EQ(st.code, d.code) << d.what;
    EXPECT_EQ(std::string(st.cause.c_str()).rfind(d.cause, 0), 0u)
        << d.what << ": " << st.cause.c_str();
    // What was read before the refusal is never written back.
    IfoStatus writing;
    EXPECT_EQ(Written(*m, writing), "") << d.what;
    EXPECT_EQ(writing.code, IfoCode::kDamaged) << d.what;
  }

  const Damage vmgDamages[] = {
      {"first-play chain inside the head",
       [](std::string& b) { Put32(b, dvd::kVmgiFirstPlayPgc, 0x10); }, IfoCode::kDamaged,
       "VMGI_MAT: first-play PGC at 0x10 outside its sector"},
      {"title count beyond the table",
       [](std::string& b) { Put16(b, TableAt(b, dvd::kVmgiTtSrpt) + dvd::kTtSrptCount, 60); },
       IfoCode::kDamaged, "TT_SRPT: title 60 past its end"},
      {"language unit outside the menu table",
       [](std::string& b) {
         Put32(b, TableAt(b, dvd::kVmgiMenuPgciUt) + dvd::kUtLuSrps + dvd::kLuSrpOffset, 0x4000);
       },
       IfoCode::kDamaged, "VMGM_PGCI_UT: LU 1 outside the table"},
  };
  for (const Damage& d : vmgDamages) {
    std::string bytes = vmg;
    d.apply(bytes);
    IfoStatus st;
    EXPECT_FALSE(Read(bytes, *m, st)) << d.what;
    EXPECT_EQ(st.code, d.code) << d.what;
    EXPECT_EQ(std::string(st.cause.c_str()).rfind(d.cause, 0), 0u)
        << d.what << ": " << st.cause.c_str();
  }
}

}  // namespace
}  // namespace vm
