// The read command's checks before the scan: the folder name, the two
// information files with every refusal, the PGC walk into the source
// chapter points, and the discovery of the title VOB files. A refused read
// keeps what the last successful read found: its folder, source chapter
// points, file list and time list.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "tests/title/title_fixture.h"
#include "title/vtsi_parse.h"

namespace vm {
namespace {

using testing::Bytes;
using testing::BuildVmgIfo;
using testing::BuildVtsIfo;
using testing::PgcOfCells;
using testing::PutBe16;
using testing::PutBe32;
using testing::SynthTitleSet;
using testing::TempDir;

const char kFullPathMessage[] =
    "Input folder name must be specified with full path name (e.g. /home/user/VIDEO_TS1).";

TEST(ReadFolderName, OnlyAbsolutePathsAreAcceptedAndGetOneSeparator) {
  TitleTables& t = FreshTables();
  for (const char* text : {"", "VIDEO_TS", "C:\\VIDEO_TS1", "./x/"}) {
    RecordingUi ui;
    CopyField(t.InputFolder, "/before/");
    EXPECT_EQ(ReadVobFiles(t, ui, text), ReadResult::Refused) << text;
    EXPECT_EQ(ui.OnlyText(), kFullPathMessage) << text;
    EXPECT_STREQ(t.InputFolder, "/before/");
  }
  TempDir dir;
  std::string bare = dir.path().substr(0, dir.path().size() - 1);
  for (const std::string& text : {bare, dir.path()}) {
    RecordingUi ui;
    EXPECT_EQ(ReadVobFiles(t, ui, text.c_str()), ReadResult::Refused);
    EXPECT_EQ(ui.OnlyText(), dir.path() + "VIDEO_TS.IFO is not found.");
    EXPECT_STREQ(t.InputFolder, "/before/");
  }
}

TEST(ReadFolderName, TooLongForThePathBufferIsRefusedWithoutTouchingTheFolder) {
  TitleTables& t = FreshTables();
  CopyField(t.InputFolder, "/before/");
  std::string longest = "/" + std::string(258, 'a');  // 259: no room for the '/'
  RecordingUi ui;
  EXPECT_EQ(ReadVobFiles(t, ui, longest.c_str()), ReadResult::Refused);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_STREQ(t.InputFolder, "/before/");
  std::string fits = "/" + std::string(257, 'a');
  RecordingUi ui2;
  ReadVobFiles(t, ui2, fits.c_str());
  // Taken with its '/': the read gets as far as looking for the IFO (the
  // folder and the name together no longer fit the message's path).
  EXPECT_EQ(ui2.OnlyText(), "VIDEO_TS.IFO is not found.");
}

TEST(ReadFolderName, BusyIgnoresTheCommand) {
  TitleTables& t = FreshTables();
  t.BusyFlag = 1;
  RecordingUi ui;
  EXPECT_EQ(ReadVobFiles(t, ui, "relative"), ReadResult::Ignored);
  EXPECT_TRUE(ui.messages.empty());
}

// One broken title set per case; `message` may hold %s for the folder.
struct Refusal {
  const char* name;
  std::function<void(SynthTitleSet&)> make;
  std::string message;
};

Bytes GoodVts() { return BuildVtsIfo({PgcOfCells({0, 8})}); }

std::vector<Refusal> Refusals() {
  return {
      {"no VIDEO_TS.IFO", [](SynthTitleSet& s) { s.WriteFile("VTS_01_0.IFO", GoodVts()); },
       "%sVIDEO_TS.IFO is not found."},
      {"VIDEO_TS.IFO is a folder",
       [](SynthTitleSet& s) { mkdir((s.folder() + "VIDEO_TS.IFO").c_str(), 0755); },
       "%sVIDEO_TS.IFO is not found."},
      {"short VIDEO_TS.IFO, real name kept",
       [](SynthTitleSet& s) {
         Bytes b = BuildVmgIfo(1, 1);
         b.resize(4095);
         s.WriteFile("video_ts.ifo", b);
       },
       "%svideo_ts.ifo is invalid (size)."},
      {"two titles", [](SynthTitleSet& s) { s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(2, 1)); },
       "Number of titles is not 1 (Multi title not supported)."},
      {"no titles", [](SynthTitleSet& s) { s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(0, 1)); },
       "Number of titles is not 1 (Multi title not supported)."},
      {"two angles", [](SynthTitleSet& s) { s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 2)); },
       "Multi angle is included (Multi angle not supported)."},
      {"no VTS_01_0.IFO", [](SynthTitleSet& s) { s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1)); },
       "%sVTS_01_0.IFO is not found."},
      {"short VTS_01_0.IFO",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         b.resize(4000);
         s.WriteFile("Vts_01_0.Ifo", b);
       },
       "%sVts_01_0.Ifo is invalid (size)."},
      {"interleaved cell",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         testing::SynthPgc pgc = PgcOfCells({0, 8, 16});
         pgc.cells[2].ilvuEndSector = 20;
         s.WriteFile("VTS_01_0.IFO", BuildVtsIfo({PgcOfCells({0}), pgc}));
       },
       "Interleave is included (Interleave not supported)."},
      {"PGCI sector past the file (32 bits)",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe32(b, testing::kVtsiPgciSectorOffset, 0x01000001);  // low byte still 1
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"PGC offset past the file (32 bits)",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe32(b, 2048 + 8 + 4, 0x7FFF0010);  // low 16 bits still 0x0010
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"cell table past the file",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe16(b, 2048 + 16 + testing::kPgcCellPlaybackOffset, 0xFFF0);
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"PGC count past the search pointers",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe16(b, 2048, 0xFFFF);
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"wrong identifier",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         b[11] = 'X';
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"program map past the data read",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe16(b, 2048 + 16 + testing::kPgcProgramMapOffset, 0xFFFF);
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"cell table before the program map",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe16(b, 2048 + 16 + testing::kPgcProgramMapOffset, 0x200);
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"cell table at the program map",
       [](SynthTitleSet& s) {
         s.WriteFile("VIDEO_TS.IFO", BuildVmgIfo(1, 1));
         Bytes b = GoodVts();
         PutBe16(b, 2048 + 16 + testing::kPgcProgramMapOffset, 0xEE);  // cell table is at 0xEE
         s.WriteFile("VTS_01_0.IFO", b);
       },
       "VTSI file format is invalid."},
      {"no VOB files",
       [](SynthTitleSet& s) {
         s.WriteIfos({0});
         s.WriteVob("VTS_01_2.VOB", testing::EvenVobus(2, 4));  // no 1: the list is empty
         s.WriteVob("VTS_01_0.VOB", testing::EvenVobus(2, 4));  // menus never count
       },
       "VOB files are not found for the VTSI file."},
  };
}

TEST(ReadRefusal, EveryCheckKeepsTheLastSuccessfulRead) {
  TitleTables& t = FreshTables();
  TempDir good;
  {
    // Programs at sectors 0 and 8: no refused set below has the second.
    SynthTitleSet set(good.path());
    set.WriteIfos({0, 8});
    set.WriteVob("VTS_01_1.VOB", testing::EvenVobus(5, 4, {0, 2}));
  }
  RecordingUi first;
  ASSERT_EQ(ReadVobFiles(t, first, good.path().c_str()), ReadResult::Scanned);
  ASSERT_EQ(t.TimeListNum, 5);
  ASSERT_EQ(t.SrcProgramNum, 2);
  const std::string firstVob = t.VobFileName[0];
  const std::string firstLine = t.Line[0];

  for (const Refusal& c : Refusals()) {
    TempDir bad;
    SynthTitleSet set(bad.path());
    c.make(set);
    RecordingUi ui;
    EXPECT_EQ(ReadVobFiles(t, ui, bad.path().c_str()), ReadResult::Refused) << c.name;
    std::string expected = c.message;
    size_t at = expected.find("%s");
    if (at != std::string::npos) expected.replace(at, 2, bad.path());
    ASSERT_EQ(ui.messages.size(), 1u) << c.name;
    EXPECT_EQ(ui.messages[0].text, expected) << c.name;
    EXPECT_EQ(ui.messages[0].caption, "Error") << c.name;
    EXPECT_EQ(ui.progressOpen, 0) << c.name;
    // The folder that creation re-reads its attributes from is the good one.
    EXPECT_EQ(std::string(t.InputFolder), good.path()) << c.name;
    EXPECT_EQ(t.SrcProgramNum, 2) << c.name;
    EXPECT_EQ(t.SrcProgramSector[1], 8) << c.name;
    EXPECT_EQ(t.TimeListNum, 5) << c.name;
    EXPECT_EQ(t.LineCount, 5) << c.name;
    EXPECT_EQ(t.VobFileNum, 1) << c.name;
    EXPECT_EQ(t.VobFileName[0], firstVob) << c.name;
    EXPECT_EQ(t.Line[0], firstLine) << c.name;
    EXPECT_EQ(t.BusyFlag, 0) << c.name;
  }
}

// The walk over VtsiBuffer, with hand-placed tables.
class PgcWalk : public ::testing::Test {
 protected:
  void Load(const Bytes& b) {
    std::memset(t.VtsiBuffer, 0, kVtsiBufferBytes);
    n = std::min(b.size(), kVtsiBufferBytes);
    std::memcpy(t.VtsiBuffer, b.data(), n);
  }
  std::vector<int32_t> Points() const {
    return std::vector<int32_t>(t.SrcProgramSector, t.SrcProgramSector + t.SrcProgramNum);
  }
  TitleTables& t = FreshTables();
  size_t n = 0;
};

TEST_F(PgcWalk, ProgramsTakeTheFirstSectorOfTheirEntryCellsAcrossPgcs) {
  testing::SynthPgc a = PgcOfCells({0, 100, 200});
  a.programMap = {1, 3, 2};  // odd: a 0 padding byte follows and is skipped
  testing::SynthPgc b = PgcOfCells({300, 400});
  b.programMap = {2};
  Load(BuildVtsIfo({a, b}));
  ASSERT_EQ(WalkVtsiPrograms(t, n), 0);
  EXPECT_EQ(Points(), (std::vector<int32_t>{0, 200, 100, 400}));
}

TEST_F(PgcWalk, HandPlacedTablesAtAnotherPgciSector) {
  // VTS_PGCI at sector 2, one PGC at +0x10; map at +0xEC = {1, 2}, cells at
  // +0xF0: first VOBU sectors 0x11223344 and 7.
  Bytes b(3 * 2048, 0);
  std::memcpy(b.data(), "DVDVIDEO-VTS", 12);
  b[0xCF] = 2;
  size_t p = 4096, g = p + 0x10;
  PutBe16(b, p, 1);
  PutBe16(b, p + 8 + 6, 0x10);
  b[g + 3] = 2;
  PutBe16(b, g + 0xE6, 0xEC);
  PutBe16(b, g + 0xE8, 0xF0);
  PutBe16(b, g + 0xEA, 0x120);
  b[g + 0xEC] = 1;
  b[g + 0xED] = 2;
  PutBe32(b, g + 0xF0 + 8, 0x11223344);
  PutBe32(b, g + 0xF0 + 24 + 8, 7);
  Load(b);
  ASSERT_EQ(WalkVtsiPrograms(t, n), 0);
  EXPECT_EQ(Points(), (std::vector<int32_t>{0x11223344, 7}));
  // The table offsets must lie inside the data read.
  EXPECT_EQ(WalkVtsiPrograms(t, g + 0xEB), 1);
  EXPECT_EQ(WalkVtsiPrograms(t, g + 0xEC), 1);  // cell table at 0xF0 lies past it
  EXPECT_EQ(WalkVtsiPrograms(t, p + 15), 1);
}

TEST_F(PgcWalk, StopsStoringAt999PointsOverAllPgcs) {
  std::vector<uint32_t> cells;
  for (int c = 0; c < 250; ++c) cells.push_back(static_cast<uint32_t>(c) * 10);
  std::vector<testing::SynthPgc> pgcs(5, PgcOfCells(cells));  // 1250 programs
  Load(BuildVtsIfo(pgcs));
  ASSERT_EQ(WalkVtsiPrograms(t, n), 0);
  EXPECT_EQ(t.SrcProgramNum, 999);
  EXPECT_EQ(t.SrcProgramSector[998], 2480);  // 4th PGC, its 249th program
}

TEST_F(PgcWalk, CellNumbersBeyondTheTableReadZerosAndStayInTheBuffer) {
  testing::SynthPgc a = PgcOfCells({0, 50});
  a.programMap = {2, 255, 9};
  Bytes b = BuildVtsIfo({a});
  Load(b);
  ASSERT_EQ(WalkVtsiPrograms(t, n), 0);
  EXPECT_EQ(Points(), (std::vector<int32_t>{50, 0, 0}));

  // A PGC at the very end of the 64 KiB buffer: cell 255 lies past it.
  Bytes big(kVtsiBufferBytes, 0);
  std::memcpy(big.data(), "DVDVIDEO-VTS", 12);
  big[0xCF] = 1;
  size_t g = 2048 + 0xF000;
  PutBe16(big, 2048, 1);
  PutBe16(big, 2048 + 14, 0xF000);
  PutBe16(big, g + 0xE6, 0xEC);
  PutBe16(big, g + 0xE8, static_cast<uint32_t>(kVtsiBufferBytes - g - 24));
  PutBe16(big, g + 0xEA, 0xEE);
  big[g + 0xEC] = 255;
  big[g + 0xED] = 1;
  PutBe32(big, kVtsiBufferBytes - 24 + 8, 1234);
  Load(big);
  ASSERT_EQ(WalkVtsiPrograms(t, n), 0);
  EXPECT_EQ(Points(), (std::vector<int32_t>{0, 1234}));
}

// VOB file discovery: which names make the list.
struct Discovery {
  const char* name;
  std::vector<std::string> files;
  int expected;
  std::string lastName;
};

TEST(VobDiscovery, NumbersRunWithoutGapsInOneDigitThenTwoDigitForm) {
  const std::vector<Discovery> cases = {
      {"two-digit names", {"VTS_01_01.VOB", "VTS_01_02.VOB"}, 2, "VTS_01_02.VOB"},
      {"one-digit wins", {"VTS_01_1.VOB", "VTS_01_01.VOB", "VTS_01_02.VOB"}, 1, "VTS_01_1.VOB"},
      {"lower case kept", {"vts_01_1.vob", "Vts_01_2.Vob"}, 2, "Vts_01_2.Vob"},
      {"nine then ten",
       {"VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_01_3.VOB", "VTS_01_4.VOB", "VTS_01_5.VOB",
        "VTS_01_6.VOB", "VTS_01_7.VOB", "VTS_01_8.VOB", "VTS_01_9.VOB", "VTS_01_10.VOB",
        "VTS_01_11.VOB"},
       11, "VTS_01_11.VOB"},
  };
  for (const Discovery& c : cases) {
    TitleTables& t = FreshTables();
    TempDir dir;
    SynthTitleSet set(dir.path());
    set.WriteIfos({0});
    for (const std::string& f : c.files) set.WriteVob(f, testing::EvenVobus(1, 2));
    RecordingUi ui;
    EXPECT_EQ(ReadVobFiles(t, ui, dir.path().c_str()), ReadResult::Scanned) << c.name;
    EXPECT_TRUE(ui.Texts().empty()) << c.name;
    EXPECT_EQ(t.VobFileNum, c.expected) << c.name;
    EXPECT_EQ(std::string(t.VobFileName[c.expected - 1]), dir.path() + c.lastName) << c.name;
    EXPECT_EQ(t.TimeListNum, c.expected) << c.name;
  }
}

// A part missing from the middle, or one that is no file (a folder, a FIFO,
// a dangling link) with a later part present, refuses the read; so do VOB
// files that end before the last sector the title set's tables name, and
// stream counts no title set can have. Nothing in the folder is written.
TEST(VobDiscovery, MissingPartsShortFilesAndImpossibleCountsAreRefused) {
  enum Part2 { kFile, kNone, kFolder, kFifo, kDangling };
  struct Case {
    const char* name;
    Part2 part2;
    bool part3;
    std::function<void(Bytes& vts)> tables;
    const char* message;  // after the folder; "" when the read passes
  };
  // Each part holds 2 VOBUs of 4 packs: 8 sectors.
  auto cellsTo = [](uint32_t last) {
    return [last](Bytes& v) {
      testing::SynthPgc pgc = PgcOfCells({0});
      pgc.cells[0].lastSector = last;
      v = BuildVtsIfo({pgc});
      v.resize(3 * 2048);
    };
  };
  // A C_ADT at sector 2 or a VOBU_ADMAP at sector 2 whose last entry names
  // sector `last`.
  auto cadtTo = [](uint32_t last) {
    return [last](Bytes& v) {
      v.resize(3 * 2048);
      PutBe32(v, 0xE0, 2);
      PutBe16(v, 2 * 2048, 1);
      PutBe32(v, 2 * 2048 + 4, 8 + 2 * 12 - 1);
      PutBe32(v, 2 * 2048 + 8 + 8, 3);
      PutBe32(v, 2 * 2048 + 20 + 8, last);
    };
  };
  auto admapTo = [](uint32_t last) {
    return [last](Bytes& v) {
      v.resize(3 * 2048);
      PutBe32(v, 0xE4, 2);
      PutBe32(v, 2 * 2048, 4 + 3 * 4 - 1);
      PutBe32(v, 2 * 2048 + 4, 0);
      PutBe32(v, 2 * 2048 + 8, 4);
      PutBe32(v, 2 * 2048 + 12, last);
    };
  };
  auto counts = [](int audio, int subpic) {
    return [audio, subpic](Bytes& v) {
      v.resize(3 * 2048);
      PutBe16(v, 0x202, static_cast<uint32_t>(audio));
      PutBe16(v, 0x254, static_cast<uint32_t>(subpic));
    };
  };
  const char kGap[] = "VTS_01_2.VOB is missing or not a regular file, but VTS_01_3.VOB follows it.";
  const std::vector<Case> cases = {
      {"three parts, tables inside them", kFile, true, cellsTo(23), ""},
      {"part 2 removed", kNone, true, cellsTo(23), kGap},
      {"part 2 a folder", kFolder, true, cellsTo(23), kGap},
      {"part 2 a FIFO", kFifo, true, cellsTo(23), kGap},
      {"part 2 a dangling link", kDangling, true, cellsTo(23), kGap},
      {"last part a FIFO the cells need", kFile, false, cellsTo(23),
       "VTS_01_2.VOB ends the title set's VOB files at sector 16, but its cell playback table "
       "names sector 23 (a VOB file is missing or cut short)."},
      {"last part removed, the cell address table needs it", kFile, false, cadtTo(16),
       "VTS_01_2.VOB ends the title set's VOB files at sector 16, but its cell address table "
       "names sector 16 (a VOB file is missing or cut short)."},
      {"the VOBU map names a sector past the files", kFile, true, admapTo(24),
       "VTS_01_3.VOB ends the title set's VOB files at sector 24, but its VOBU address map "
       "names sector 24 (a VOB file is missing or cut short)."},
      {"a VOBU map inside the files", kFile, true, admapTo(20), ""},
      {"eight audio, 32 subpicture streams", kFile, true, counts(8, 32), ""},
      {"255 audio streams", kFile, true, counts(255, 0),
       "VTS_01_0.IFO is invalid (VTS_AST_Ns = 255: a title set has at most 8 audio streams)."},
      {"33 subpicture streams", kFile, true, counts(1, 33),
       "VTS_01_0.IFO is invalid (VTS_SPST_Ns = 33: a title set has at most 32 subpicture "
       "streams)."},
  };
  for (const Case& c : cases) {
    TitleTables& t = FreshTables();
    TempDir dir;
    SynthTitleSet set(dir.path());
    set.WriteIfos({0});
    Bytes vts = BuildVtsIfo({PgcOfCells({0})});
    c.tables(vts);
    set.WriteFile("VTS_01_0.IFO", vts);
    set.WriteVob("VTS_01_1.VOB", testing::EvenVobus(2, 4));
    const std::string part2 = dir / "VTS_01_2.VOB";
    switch (c.part2) {
      case kFile: set.WriteVob("VTS_01_2.VOB", testing::EvenVobus(2, 4)); break;
      case kNone: break;
      case kFolder: ASSERT_EQ(mkdir(part2.c_str(), 0755), 0); break;
      case kFifo: ASSERT_EQ(mkfifo(part2.c_str(), 0644), 0); break;
      case kDangling: ASSERT_EQ(symlink((dir / "gone.VOB").c_str(), part2.c_str()), 0); break;
    }
    if (c.part3) {
      set.WriteVob("VTS_01_3.VOB", testing::EvenVobus(2, 4));
    } else if (c.part2 == kFile) {
      ASSERT_EQ(mkfifo((dir / "VTS_01_3.VOB").c_str(), 0644), 0);
    }
    const testing::FolderSnapshot before = testing::SnapshotFolder(dir.path());
    RecordingUi ui;
    const ReadResult r = ReadVobFiles(t, ui, dir.path().c_str());
    if (c.message[0] == '\0') {
      EXPECT_EQ(r, ReadResult::Scanned) << c.name;
      EXPECT_TRUE(ui.Texts().empty()) << c.name;
      EXPECT_EQ(t.TimeListNum, 6) << c.name;
    } else {
      EXPECT_EQ(r, ReadResult::Refused) << c.name;
      EXPECT_EQ(ui.OnlyText(), dir.path() + c.message) << c.name;
      EXPECT_EQ(t.VobFileNum, 0) << c.name;
    }
    EXPECT_EQ(testing::SnapshotFolder(dir.path()), before) << c.name;
  }
}

TEST(VobDiscovery, NinetyNineFilesAreTheMostAndTheSentinelNamesTheirCount) {
  TitleTables& t = FreshTables();
  TempDir dir;
  SynthTitleSet set(dir.path());
  set.WriteIfos({0});
  for (int k = 1; k <= 100; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, k < 10 ? "VTS_01_%d.VOB" : "VTS_01_%02d.VOB", k);
    set.WriteVob(name, testing::EvenVobus(1, 3));
  }
  RecordingUi ui;
  ASSERT_EQ(ReadVobFiles(t, ui, dir.path().c_str()), ReadResult::Scanned);
  EXPECT_EQ(t.VobFileNum, 99);
  EXPECT_EQ(t.TimeListNum, 99);
  EXPECT_EQ(t.TimeListFileNo[98], 98);
  EXPECT_EQ(t.TimeListFileNo[99], 99);  // sentinel
  EXPECT_EQ(t.TimeListSector[99], 3);
}

}  // namespace
}  // namespace vm
