// The VMGI writer against bytes worked out by hand: the default single
// title, two titles, the settings that drop tables, and file failures.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "author/vmgi_writer.h"
#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::Bytes;
using testing::PutBe16;
using testing::PutBe32;

TitleTables& T() {
  static TitleTables* t = new TitleTables();
  return *t;
}
AuthorState& A() {
  static AuthorState* a = new AuthorState();
  return *a;
}
uint8_t* Image() {
  static uint8_t* image = new uint8_t[kVmgiImageBytes];
  return image;
}

void Put(Bytes& b, size_t at, std::initializer_list<uint8_t> bytes) {
  for (uint8_t v : bytes) b[at++] = v;
}

class VmgiWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTables(T());
    T().DC_TitleNum = 1;
    T().ChapterNumNew[0] = 5;
    T().TotalSize[0] = 1000.0 * 2048;
    T().VtsInfoBlockLen[0] = 6;
  }
  Bytes Build() {
    int sectors = BuildVmgi(T(), Image());
    return Bytes(Image(), Image() + static_cast<size_t>(sectors) * 2048);
  }
};

// Defaults, one title of 5 chapters: the attribute records left zero.
Bytes ExpectedDefault() {
  Bytes e(4 * 2048, 0);
  std::memcpy(e.data(), "DVDVIDEO-VMG", 12);
  PutBe32(e, 0x0C, 7);
  PutBe32(e, 0x1C, 3);
  e[0x21] = 0x10;
  e[0x23] = 0xFD;
  Put(e, 0x26, {0, 1, 0, 1, 1});
  PutBe16(e, 0x3E, 1);
  std::memset(e.data() + 0x40, ' ', 16);
  PutBe32(e, 0x80, 0x4FB);
  PutBe32(e, 0x84, 0x400);
  PutBe32(e, 0xC4, 1);
  PutBe32(e, 0xC8, 2);
  PutBe32(e, 0xD0, 3);
  e[0x100] = 0x43;
  e[0x103] = 1;
  e[0x105] = 0xC1;
  e[0x155] = 1;
  // First-play PGC: jump to title 1.
  Put(e, 0x408, {0x01, 0xFF, 0xFF, 0xEF});
  Put(e, 0x4E4, {0x00, 0xEC});
  Put(e, 0x4EC, {0, 1, 0, 0, 0, 0, 0, 0x0F, 0x30, 0x02, 0, 0, 0, 0x01, 0, 0});
  // TT_SRPT.
  Put(e, 0x800, {0, 1, 0, 0, 0, 0, 0, 19, 0x14, 1, 0, 5, 0, 0, 1, 1, 0, 0, 0, 8});
  // VMGM_PGCI_UT, U = 0x124.
  Put(e, 0x1000, {0, 1, 0, 0, 0, 0, 0x01, 0x23, 'j', 'a', 0, 0, 0, 0, 0, 0x10});
  Put(e, 0x1010, {0, 1, 0, 0, 0, 0, 0x01, 0x13, 0, 0, 0, 0, 0, 0, 0, 0x10});
  e[0x1027] = 0xC0;
  Put(e, 0x1104, {0x00, 0xEC});
  Put(e, 0x110C, {0, 2, 0, 0, 0, 0, 0, 0x17});
  Put(e, 0x1114, {0x61, 0, 0, 0, 0, 0x84, 0, 0, 0x30, 0x02, 0, 0, 0, 0x01, 0, 0});
  // VMG_VTS_ATRT.
  Put(e, 0x1800, {0, 1, 0, 0, 0, 0, 0x03, 0x13, 0, 0, 0, 0x0C});
  Put(e, 0x180C, {0, 0, 0x03, 0x07, 0, 0, 0, 0});
  return e;
}

void ExpectImage(const Bytes& got, const Bytes& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i)
    ASSERT_EQ(got[i], want[i]) << "byte 0x" << std::hex << i;
}

TEST_F(VmgiWriter, DefaultSingleTitleMatchesHandWorkedImage) {
  ExpectImage(Build(), ExpectedDefault());
}

TEST_F(VmgiWriter, TwoTitlesChainStartSectorsAndSequencer) {
  TitleTables& t = T();
  t.DC_TitleNum = 2;
  t.ChapterNumNew[1] = 2;
  t.TotalSize[0] = 1000.0 * 2048 + 1100;  // rounds up to 1001 sectors
  t.TotalSize[1] = 10.0 * 2048;
  t.VtsInfoBlockLen[1] = 3;
  Bytes got = Build();
  ASSERT_EQ(got.size(), 4u * 2048);  // 0x30C * 2 + 8 bytes still fit one sector
  EXPECT_EQ(got[0x3F], 2);
  EXPECT_EQ(Bytes(got.begin() + 0x800, got.begin() + 0x820),
            (Bytes{0, 2, 0, 0, 0, 0, 0, 31, 0x14, 1, 0, 5, 0, 0, 1, 1, 0, 0, 0, 8,
                   0x14, 1, 0, 2, 0, 0, 2, 1, 0, 0, 0x03, 0xFD}));  // 8 + 1001 + 12
  // U = 8 * 5 + 0x10C = 0x134.
  EXPECT_EQ(Bytes(got.begin() + 0x1004, got.begin() + 0x1008), (Bytes{0, 0, 0x01, 0x33}));
  EXPECT_EQ(Bytes(got.begin() + 0x1014, got.begin() + 0x1018), (Bytes{0, 0, 0x01, 0x23}));
  EXPECT_EQ(Bytes(got.begin() + 0x110C, got.begin() + 0x1114), (Bytes{0, 4, 0, 0, 0, 0, 0, 0x27}));
  EXPECT_EQ(Bytes(got.begin() + 0x1114, got.begin() + 0x1134),
            (Bytes{0x61, 0, 0, 0, 0, 0x84, 0, 0, 0x71, 0, 0, 1, 0, 1, 0, 0,
                   0x30, 0x22, 0, 0, 0, 2, 0, 1, 0x30, 0x02, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(Bytes(got.begin() + 0x1800, got.begin() + 0x1810),
            (Bytes{0, 2, 0, 0, 0, 0, 0x06, 0x1F, 0, 0, 0, 0x10, 0, 0, 0x03, 0x18}));
  EXPECT_EQ(Bytes(got.begin() + 0x1810, got.begin() + 0x1814), (Bytes{0, 0, 0x03, 0x07}));
}

TEST_F(VmgiWriter, SettingsThatDropTables) {
  TitleTables& t = T();
  t.DC_TitleSeries = 3;  // no sequencer: attribute table moves to sector 2
  Bytes got = Build();
  ASSERT_EQ(got.size(), 3u * 2048);
  EXPECT_EQ(got[0x0F], 5);
  EXPECT_EQ(got[0xCB], 0);
  EXPECT_EQ(got[0xD3], 2);
  EXPECT_EQ(Bytes(got.begin() + 0x1000, got.begin() + 0x1004), (Bytes{0, 1, 0, 0}));
  EXPECT_EQ(got[0x813], 6);  // title set 1 starts after VMGI and BUP: 2 * 3

  t.DC_TitleSeries = 0;
  t.DC_VtsAtr = 0;
  got = Build();
  ASSERT_EQ(got.size(), 3u * 2048);
  EXPECT_EQ(got[0xD3], 0);

  t.DC_FirstPlayPgc = 0;
  t.DC_Region = 1;
  got = Build();
  EXPECT_EQ(got[0x23], 0x00);
  EXPECT_EQ(Bytes(got.begin() + 0x80, got.begin() + 0x88), (Bytes{0, 0, 3, 0xFF, 0, 0, 0, 0}));
  for (int i = 0x400; i < 0x800; ++i) ASSERT_EQ(got[i], 0) << std::hex << i;
}

// The region mask: the --region choice, else the source's, else the
// DC_Region rule; nothing else of the VMGI depends on it.
TEST_F(VmgiWriter, RegionMaskIsTheChoiceOrTheSourcesOrTheOldRule) {
  struct Case {
    int chosen, source, dcRegion;
    uint8_t mask;
  };
  const Case cases[] = {
      {-1, -1, 0, 0xFD}, {-1, -1, 1, 0x00}, {-1, 0x00, 0, 0x00},
      {-1, 0xFE, 1, 0xFE}, {0x00, 0xFD, 0, 0x00}, {0xF6, 0x00, 0, 0xF6},
  };
  TitleTables& t = T();
  const Bytes plain = Build();
  for (const Case& c : cases) {
    t.RegionMask = c.chosen;
    t.SrcRegionMask = c.source;
    t.DC_Region = c.dcRegion;
    Bytes got = Build();
    EXPECT_EQ(got[0x23], c.mask) << c.chosen << " " << c.source << " " << c.dcRegion;
    got[0x23] = plain[0x23];
    EXPECT_EQ(got, plain);
  }
}

TEST_F(VmgiWriter, AttributesComeBackFromTheWrittenTitleSetFile) {
  testing::TempDir dir;
  CopyField(A().OutputFolder, dir.path().c_str());
  Bytes vts(0x800, 0);
  for (int i = 0; i < 0x300; ++i) vts[0x100 + i] = static_cast<uint8_t>(i * 3 + 5);
  ASSERT_TRUE(testing::WriteFile(dir / "VTS_01_0.IFO", std::string(vts.begin(), vts.end())));
  ASSERT_EQ(WriteVmgi(T(), A()), kVmgiDone);
  Bytes want = ExpectedDefault();
  std::memcpy(want.data() + 0x1814, vts.data() + 0x100, 0x300);
  std::string ifo = testing::ReadFile(dir / "VIDEO_TS.IFO");
  ExpectImage(Bytes(ifo.begin(), ifo.end()), want);
  EXPECT_EQ(testing::ReadFile(dir / "VIDEO_TS.BUP"), ifo);
}

TEST_F(VmgiWriter, MissingTitleSetFileOrFolderFails) {
  testing::TempDir dir;
  CopyField(A().OutputFolder, dir.path().c_str());
  EXPECT_EQ(WriteVmgi(T(), A()), kVmgiFileError);
  EXPECT_FALSE(testing::RunCommand("test -e " + (dir / "VIDEO_TS.IFO")) == 0);
  T().DC_VtsAtr = 0;  // nothing to read back: only the folder matters
  EXPECT_EQ(WriteVmgi(T(), A()), kVmgiDone);
  CopyField(A().OutputFolder, "/nonexistent-folder-for-vmgi/");
  EXPECT_EQ(WriteVmgi(T(), A()), kVmgiFileError);
}

}  // namespace
}  // namespace vm
