// The VOB scan: where it jumps by VOBU_EA and where it sweeps every sector,
// the time-list limit, the 2 GiB file limit, a stop request and the
// interleave marks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/title/title_fixture.h"

namespace vm {
namespace {

using testing::Bytes;
using testing::EvenVobus;
using testing::NavFields;
using testing::NavPack;
using testing::SynthTitleSet;
using testing::SynthVobu;
using testing::TempDir;

constexpr int64_t kSector = 2048;

int32_t ScanCount(const std::string& folder, RecordingUi& ui) {
  TitleTables& t = FreshTables();
  ReadVobFiles(t, ui, folder.c_str());
  return t.TimeListNum;
}

// `vobus` four-pack VOBUs, the one at index `liar` claiming VOBU_EA 7 so
// that a jump from it lands past the next NAV pack; `extra` padding sectors
// at the end.
int32_t ScanWithLiar(int vobus, int liar, int extra, RecordingUi& ui) {
  TempDir dir;
  SynthTitleSet set(dir.path());
  set.WriteIfos({0});
  std::vector<SynthVobu> v = EvenVobus(vobus, 4);
  v[static_cast<size_t>(liar)].vobuEa = 7;
  Bytes bytes;
  for (const SynthVobu& u : v) {
    Bytes b = testing::VobuBytes(u);
    bytes.insert(bytes.end(), b.begin(), b.end());
  }
  for (int i = 0; i < extra; ++i) {
    Bytes p = testing::PaddingPack(0);
    bytes.insert(bytes.end(), p.begin(), p.end());
  }
  set.WriteFile("VTS_01_1.VOB", bytes);
  return ScanCount(dir.path(), ui);
}

TEST(VobScan, FilesUpTo2048SectorsAreSweptAndLargerOnesJumpUntilTheirTail) {
  RecordingUi ui;
  // 2048 sectors: swept whole, so the NAV pack after the liar is found.
  EXPECT_EQ(ScanWithLiar(512, 0, 0, ui), 512);
  // 2049 sectors: one jump from sector 0 (pos < S - 2048), which skips the
  // NAV pack at sector 4; the rest is swept.
  EXPECT_EQ(ScanWithLiar(512, 0, 1, ui), 511);
  // 4100 sectors: a liar in the jumped part loses one entry...
  EXPECT_EQ(ScanWithLiar(1025, 25, 0, ui), 1024);
  // ...and one inside the swept last 2048 sectors loses none.
  EXPECT_EQ(ScanWithLiar(1025, 900, 0, ui), 1025);
  EXPECT_TRUE(ui.messages.empty()) << ui.OnlyText();
}

// A file of `navs` one-sector VOBUs.
void WriteNavOnlyVob(SynthTitleSet& set, const std::string& name, int navs) {
  Bytes bytes;
  bytes.reserve(static_cast<size_t>(navs) * kSector);
  for (int i = 0; i < navs; ++i) {
    NavFields f;
    f.scr = static_cast<uint32_t>(i) * 45000u;
    f.celtmFrames = i == 0 ? 0 : 15;
    Bytes p = NavPack(f);
    bytes.insert(bytes.end(), p.begin(), p.end());
  }
  set.WriteFile(name, bytes);
}

TEST(VobScan, The131071stEntryIsAcceptedAndThe131072ndRefused) {
  TempDir dir;
  SynthTitleSet set(dir.path());
  set.WriteIfos({0});
  WriteNavOnlyVob(set, "VTS_01_1.VOB", 131071);
  RecordingUi ui;
  EXPECT_EQ(ScanCount(dir.path(), ui), 131071);
  EXPECT_TRUE(ui.messages.empty()) << ui.OnlyText();

  TitleTables& t = FreshTables();
  WriteNavOnlyVob(set, "VTS_01_1.VOB", 131072);
  RecordingUi ui2;
  ReadVobFiles(t, ui2, dir.path().c_str());
  EXPECT_EQ(t.TimeListNum, 0);
  EXPECT_EQ(ui2.OnlyText(), "Input data size is too big.\nAbnormal DVD video format.");
}

TEST(VobScan, AFileOf2GiBLessOneSectorIsReadAnd2GiBIsRefused) {
  TempDir dir;
  SynthTitleSet set(dir.path());
  set.WriteIfos({0});
  const int64_t sectors = (int64_t{1} << 31) / kSector - 1;
  ASSERT_TRUE(set.WriteSparse("VTS_01_1.VOB", sectors * kSector));
  // A NAV pack at sector 0 whose VOBU reaches the swept tail, and real
  // VOBUs in the last 2048 sectors; the holes between are never read.
  SynthVobu first;
  first.vobuEa = sectors - 2048 - 1;
  ASSERT_TRUE(set.WriteAt("VTS_01_1.VOB", 0, testing::VobuBytes(first)));
  Bytes tail;
  for (const SynthVobu& v : EvenVobus(512, 4)) {
    SynthVobu u = v;
    u.celtmFrames = 15;
    Bytes b = testing::VobuBytes(u);
    tail.insert(tail.end(), b.begin(), b.end());
  }
  ASSERT_TRUE(set.WriteAt("VTS_01_1.VOB", sectors - 2048, tail));
  RecordingUi ui;
  EXPECT_EQ(ScanCount(dir.path(), ui), 513);
  EXPECT_TRUE(ui.messages.empty()) << ui.OnlyText();

  ASSERT_TRUE(set.WriteSparse("VTS_01_1.VOB", (sectors + 1) * kSector));
  RecordingUi ui2;
  EXPECT_EQ(ScanCount(dir.path(), ui2), 0);
  EXPECT_EQ(ui2.OnlyText(),
            dir.path() + "VTS_01_1.VOB file size >= 2GB.\nAbnormal DVD video format.");
}

TEST(VobScan, AStopRequestLeavesAnEmptyListWithoutAMessage) {
  TempDir dir;
  WriteSimpleSet(dir.path(), 3000, 4);
  TitleTables& t = FreshTables();
  RecordingUi ui;
  ui.stopAfterPumps = 2;
  ReadVobFiles(t, ui, dir.path().c_str());
  EXPECT_EQ(t.TimeListNum, 0);
  EXPECT_EQ(t.VobFileNum, 0);
  EXPECT_TRUE(ui.messages.empty()) << ui.OnlyText();
}

TEST(VobScan, InterleavedUnitsAreMarkedAlternately) {
  TempDir dir;
  SynthTitleSet set(dir.path());
  set.WriteIfos({0});
  constexpr uint8_t kStart = testing::kCatInterleaved | testing::kCatUnitStart;
  constexpr uint8_t kMiddle = testing::kCatInterleaved;
  // Two angles' units alternate: each unit is a start VOBU and a middle one,
  // and a unit start within 1.2 s of the previous one opens an interleaved
  // run; the next unit start closes it.
  std::vector<SynthVobu> v(8);
  for (int i = 0; i < 8; ++i) {
    v[static_cast<size_t>(i)].scr = static_cast<uint32_t>(i / 2) * 45000u;
    v[static_cast<size_t>(i)].celtmFrames = i == 0 ? 0 : 15;
    v[static_cast<size_t>(i)].category = (i % 2 == 0) ? kStart : kMiddle;
  }
  set.WriteVob("VTS_01_1.VOB", v);
  TitleTables& t = FreshTables();
  RecordingUi ui;
  ReadVobFiles(t, ui, dir.path().c_str());
  ASSERT_EQ(t.TimeListNum, 8);
  std::string marks;
  for (int i = 0; i < 8; ++i) marks += t.Line[i][2];
  EXPECT_EQ(marks, "* XX  XX");
  EXPECT_EQ(ui.OnlyText(), "Interleave is detected. \"X\" is marked on the time list.");
  EXPECT_EQ(t.InterleaveDetected, 1);
}

}  // namespace
}  // namespace vm
