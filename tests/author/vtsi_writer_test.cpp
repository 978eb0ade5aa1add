// The VTSI writer against bytes worked out by hand from the table offsets:
// a three-cell title with two chapters, the attribute steps, priorities,
// post commands, time codes, the largest title and file failures.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "author/vtsi_writer.h"
#include "common/timecode.h"
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
  static uint8_t* image = new uint8_t[kVtsiImageBytes];
  return image;
}

void Put(Bytes& b, size_t at, std::initializer_list<uint8_t> bytes) {
  for (uint8_t v : bytes) b[at++] = v;
}

class VtsiWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    TitleTables& t = T();
    ResetTables(t);
    std::memset(&A(), 0, sizeof(AuthorState));
    t.DC_TitleNum = 1;
    // Three cells; cells 1 and 3 start chapters; cell 3 follows an SCR reset.
    const int start[] = {0, 40, 100, 150}, end[] = {30, 90, 140}, pack[] = {39, 99, 149};
    const int flg[] = {1, 0, 1}, reset[] = {0, 0, 1};
    // Presentation times 1.5 s, 2.999 s and 60 s.
    const int64_t ticks[3] = {135000, 269910, 5400000};
    t.PrgNum[0] = 3;
    t.ChapterNumNew[0] = 2;
    for (int p = 0; p < 4; ++p) t.StartIndex[0][p] = start[p];
    for (int p = 0; p < 3; ++p) {
      t.EndIndex[0][p] = end[p];
      t.PackEndIndex[0][p] = pack[p];
      t.PrgChapterFlg[0][p] = flg[p];
      t.PrgTimeReset[0][p] = reset[p];
      A().CellTicks[p] = ticks[p];
    }
    t.DC_VtsiEnable[0] = 0;
    AuthorState& a = A();
    a.TitlePal = false;
    a.OutVobuNum = 5;
    const int vobus[] = {0, 31, 40, 91, 100};
    for (int k = 0; k < 5; ++k) a.OutVobuSector[k] = vobus[k];
    a.OutTmapNum = 2;
    a.OutTmapEntry[0] = 31;
    a.OutTmapEntry[1] = static_cast<int32_t>(0x80000064u);
    a.OutPictureWidth = 720;
    a.OutPictureHeight = 480;
  }

  Bytes Build() {
    ComputeProgramTimeCodes(T(), A(), 0);
    EXPECT_EQ(BuildVtsi(T(), A(), 0, Image()), kVtsiDone);
    return Bytes(Image(), Image() + static_cast<size_t>(T().VtsInfoBlockLen[0]) * 2048);
  }
};

// The whole image of the three-cell title with default attributes.
Bytes ExpectedThreeCells() {
  Bytes e(6 * 2048, 0);
  std::memcpy(e.data(), "DVDVIDEO-VTS", 12);
  PutBe32(e, 0x0C, 150 + 2 * 6 - 1);
  PutBe32(e, 0x1C, 5);
  e[0x21] = 0x11;
  PutBe32(e, 0x80, 0x7FF);
  PutBe32(e, 0xC4, 6);
  PutBe32(e, 0xC8, 1);
  PutBe32(e, 0xCC, 2);
  PutBe32(e, 0xD4, 3);
  PutBe32(e, 0xE0, 4);
  PutBe32(e, 0xE4, 5);
  e[0x100] = 0x43;
  e[0x155] = 1;
  e[0x200] = 0x43;
  e[0x201] = 0x00;
  e[0x203] = 1;
  Put(e, 0x204, {0x04, 0xC1, 'j', 'a'});
  // VTS_PTT_SRPT.
  Put(e, 0x800, {0, 1, 0, 0, 0, 0, 0, 19, 0, 0, 0, 12, 0, 1, 0, 1, 0, 1, 0, 2});
  // VTS_PGCIT and the PGC at 0x1010.
  Put(e, 0x1000, {0, 1, 0, 0, 0, 0, 0x01, 0x61, 0x81, 0, 0, 0, 0, 0, 0, 0x10});
  Put(e, 0x1012, {2, 3, 0x00, 0x01, 0x04, 0xD5});
  e[0x101C] = 0x80;
  for (size_t k = 0; k < 16; ++k) Put(e, 0x10B4 + 4 * k, {0x00, 0x10, 0x80, 0x80});
  Put(e, 0x10F4, {0x00, 0xEC, 0x00, 0xFC, 0x00, 0xFE, 0x01, 0x46});
  Put(e, 0x10FC, {0, 0, 0, 1, 0, 0, 0, 0x0F, 0x30, 0x01, 0, 0, 0, 0, 0, 0});
  Put(e, 0x110C, {1, 3});
  Put(e, 0x110E, {0x02, 0, 0, 0, 0x00, 0x00, 0x01, 0xD5});
  PutBe32(e, 0x110E + 16, 30);
  PutBe32(e, 0x110E + 20, 39);
  Put(e, 0x1126, {0x08, 0, 0, 0, 0x00, 0x00, 0x03, 0xC0});
  PutBe32(e, 0x1126 + 8, 40);
  PutBe32(e, 0x1126 + 16, 90);
  PutBe32(e, 0x1126 + 20, 99);
  Put(e, 0x113E, {0x0A, 0, 0, 0, 0x00, 0x01, 0x00, 0xC0});
  PutBe32(e, 0x113E + 8, 100);
  PutBe32(e, 0x113E + 16, 140);
  PutBe32(e, 0x113E + 20, 149);
  Put(e, 0x1156, {0, 1, 0, 1, 0, 1, 0, 2, 0, 2, 0, 1});
  // VTS_TMAPTI.
  Put(e, 0x1800, {0, 1, 0, 0, 0, 0, 0, 23, 0, 0, 0, 12, 3, 0, 0, 2});
  Put(e, 0x1810, {0, 0, 0, 31, 0x80, 0, 0, 0x64});
  // VTS_C_ADT.
  Put(e, 0x2000, {0, 3, 0, 0, 0, 0, 0, 43});
  Put(e, 0x2008, {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 39});
  Put(e, 0x2014, {0, 1, 2, 0, 0, 0, 0, 40, 0, 0, 0, 99});
  Put(e, 0x2020, {0, 2, 1, 0, 0, 0, 0, 100, 0, 0, 0, 149});
  // VTS_VOBU_ADMAP.
  Put(e, 0x2800, {0, 0, 0, 23, 0, 0, 0, 0, 0, 0, 0, 31, 0, 0, 0, 40, 0, 0, 0, 91, 0, 0, 0, 100});
  return e;
}

TEST_F(VtsiWriter, ThreeCellTitleMatchesHandWorkedImage) {
  Bytes got = Build();
  Bytes want = ExpectedThreeCells();
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i)
    ASSERT_EQ(got[i], want[i]) << "byte 0x" << std::hex << i;
  EXPECT_EQ(T().VtsInfoBlockLen[0], 6);
}

// Cell and title times from presentation time at the title's own rate:
// what a player adds up (whole milliseconds per cell) stays within half a
// frame of the presentation time at every cell end, however many cells;
// each cell is within a frame of its own time; the title is rounded once.
TEST_F(VtsiWriter, TimeCodesFollowPresentationTimeAtTheTitlesRate) {
  struct Case {
    const char* name;
    bool pal;
    std::vector<int64_t> cells;  // ticks
    std::vector<uint8_t> first, total;
  };
  const std::vector<Case> cases = {
      {"NTSC three cells", false, {135000, 269910, 5400000}, {0, 0, 1, 0xD5}, {0, 1, 4, 0xD5}},
      {"PAL three cells", true, {135000, 269910, 5400000}, {0, 0, 1, 0x53}, {0, 1, 4, 0x52}},
      // 62 chapters of 1.93 s: rounded cell by cell these would drift.
      {"NTSC 62 cells", false, std::vector<int64_t>(62, 173700), {0, 0, 1, 0xE8},
       {0, 1, 0x59, 0xE0}},
      {"PAL 40 cells of 0.52 s", true, std::vector<int64_t>(40, 46800), {0, 0, 0, 0x53},
       {0, 0, 0x20, 0x60}},
      {"NTSC over ten hours", false, {36000LL * 90000 + 3003 * 7}, {0x10, 0, 0, 0xC7},
       {0x10, 0, 0, 0xC7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TitleTables& t = T();
    AuthorState& a = A();
    a.TitlePal = c.pal;
    t.PrgNum[0] = static_cast<int>(c.cells.size());
    for (size_t p = 0; p < c.cells.size(); ++p) a.CellTicks[p] = c.cells[p];
    ComputeProgramTimeCodes(t, a, 0);
    const double frameMs = c.pal ? 40.0 : 1001.0 / 30.0;
    int64_t ticks = 0, readMs = 0;
    for (size_t p = 0; p < c.cells.size(); ++p) {
      const uint8_t* tc = t.PrgTimeCode[0][p];
      EXPECT_EQ(tc[3] & 0xC0, c.pal ? 0x40 : 0xC0) << p;
      EXPECT_LT(tc[3] & 0x3F, c.pal ? 0x25 : 0x30) << p;
      ticks += c.cells[p];
      readMs += TimeCodeMs(tc);
      EXPECT_LE(std::abs(static_cast<double>(readMs) - ticks / 90.0), frameMs / 2 + 1) << p;
      EXPECT_LE(std::abs(static_cast<double>(TimeCodeMs(tc)) - c.cells[p] / 90.0), frameMs + 1)
          << p;
    }
    EXPECT_EQ(std::vector<uint8_t>(t.PrgTimeCode[0][0], t.PrgTimeCode[0][0] + 4), c.first);
    const uint8_t* total = t.TotalTimeCode[0];
    EXPECT_EQ(std::vector<uint8_t>(total, total + 4), c.total);
    EXPECT_EQ(t.Time[0][0][2] * 1000 + t.Time[0][0][3], c.cells[0] / 90 % 60000);
  }
}

TEST_F(VtsiWriter, SingleCellGetsPaddedProgramMapAndOnePtt) {
  TitleTables& t = T();
  t.PrgNum[0] = 1;
  t.ChapterNumNew[0] = 1;
  t.StartIndex[0][1] = 40;
  Bytes got = Build();
  EXPECT_EQ(got[0x1012], 1);
  EXPECT_EQ(got[0x1013], 1);
  EXPECT_EQ(got[0x110C], 1);
  EXPECT_EQ(got[0x110D], 0);
  // Program map of E = 2 bytes: the cell table follows at 0xFE.
  EXPECT_EQ(got[0x10F8], 0x00);
  EXPECT_EQ(got[0x10F9], 0xFE);
  EXPECT_EQ(got[0x807], 15);
  EXPECT_EQ(std::vector<uint8_t>(got.begin() + 0x80C, got.begin() + 0x810),
            (std::vector<uint8_t>{0, 1, 0, 1}));
}

TEST_F(VtsiWriter, ResolutionAspectAndAudioDefaults) {
  TitleTables& t = T();
  struct Case { int res, w, h; uint8_t want; };
  for (Case c : {Case{0, 352, 240, 0x00}, Case{1, 720, 480, 0x10}, Case{2, 720, 576, 0x00},
                 Case{2, 352, 480, 0x10}, Case{2, 352, 240, 0x18}}) {
    t.DC_Resolution[0] = c.res;
    A().OutPictureWidth = c.w;
    A().OutPictureHeight = c.h;
    EXPECT_EQ(Build()[0x201], c.want) << c.res << " " << c.w << "x" << c.h;
  }
  t.DC_Aspect[0] = 1;
  t.DC_AudioData[0][0] = 0x80 | 0x00 | 0x01;  // PCM, English
  t.DC_AudioData[0][1] = 0x10;               // absent
  t.DC_AudioData[0][2] = 0x80 | 0x30;        // DTS, Japanese
  Bytes got = Build();
  EXPECT_EQ(got[0x100], 0x4E);
  EXPECT_EQ(got[0x200], 0x4E);
  EXPECT_EQ(got[0x203], 2);
  EXPECT_EQ(std::vector<uint8_t>(got.begin() + 0x204, got.begin() + 0x214),
            (std::vector<uint8_t>{0x84, 0x01, 'e', 'n', 0, 0, 0, 0, 0xC4, 0xC5, 'j', 'a', 0, 0, 0, 0}));
  EXPECT_EQ(got[0x101C], 0x80);
  EXPECT_EQ(got[0x101E], 0x81);
  // No present word: one AC-3 entry without language, one control entry.
  for (int w = 0; w < 3; ++w) t.DC_AudioData[0][w] = 0x10;
  got = Build();
  EXPECT_EQ(got[0x203], 1);
  EXPECT_EQ(std::vector<uint8_t>(got.begin() + 0x204, got.begin() + 0x208),
            (std::vector<uint8_t>{0x00, 0xC1, 0, 0}));
  EXPECT_EQ(got[0x101C], 0x80);
}

// A source copy whose every byte tells where it came from.
void FillSourceCopy(TitleTables& t) {
  for (int i = 0; i < kSrcVtsiCopyBytes; ++i) t.SrcVtsiCopy[0][i] = static_cast<uint8_t>(i * 7 + 1);
  t.DC_VtsiEnable[0] = 1;
}

TEST_F(VtsiWriter, SourceCopyReplacesAttributesAndPgcStreamBytes) {
  TitleTables& t = T();
  FillSourceCopy(t);
  t.DC_Aspect[0] = 1;
  t.DC_Resolution[0] = 1;
  t.DC_AudioData[0][0] = 0xB5;
  Bytes got = Build();
  for (int i = 0; i < 512; ++i) ASSERT_EQ(got[0x100 + i], t.SrcVtsiCopy[0][i]) << i;
  for (int i = 0x0C; i < 0xE4; ++i) {
    uint8_t want = (i >= 0x9C && i < 0xA4) ? 0 : t.SrcVtsiCopy[0][512 + i - 0x0C];
    ASSERT_EQ(got[0x1010 + i], want) << "PGC byte " << i;
  }
  // The fields after the copied block are the writer's own.
  EXPECT_EQ(got[0x10F4], 0x00);
  EXPECT_EQ(got[0x10F5], 0xEC);
}

TEST_F(VtsiWriter, FirstStreamOnlyKeepsEntryZero) {
  TitleTables& t = T();
  FillSourceCopy(t);
  t.SrcVtsiCopy[0][0x103] = 3;  // three audio streams
  t.SrcVtsiCopy[0][0x155] = 4;  // four subpicture streams
  t.DC_First_A[0] = 1;
  t.DC_First_C[0] = 1;
  Bytes got = Build();
  EXPECT_EQ(got[0x203], 1);
  for (int i = 0x20C; i < 0x244; ++i) ASSERT_EQ(got[i], 0) << std::hex << i;
  EXPECT_EQ(got[0x204], t.SrcVtsiCopy[0][0x104]);
  EXPECT_EQ(got[0x255], 1);
  for (int i = 0x25C; i < 0x316; ++i) ASSERT_EQ(got[i], 0) << std::hex << i;
  for (int i = 0x0E; i < 0x1C; ++i) ASSERT_EQ(got[0x1010 + i], 0) << i;
  for (int i = 0x20; i < 0x9C; ++i) ASSERT_EQ(got[0x1010 + i], 0) << i;
  EXPECT_EQ(got[0x1010 + 0x0C], t.SrcVtsiCopy[0][512]);
}

// Dropped streams leave the attribute tables and the PGC's stream control;
// the kept ones move down in order with their attributes, languages and
// physical stream numbers, and the menu attributes stay as the source's.
TEST_F(VtsiWriter, DroppedStreamsLeaveTheDeclarationsKeptOnesMoveDown) {
  struct Case {
    const char* what;
    std::vector<int> dropAudio, dropSubpic;
    std::vector<int> audioFrom, subpicFrom;  // source entry of each written one
  };
  const Case cases[] = {
      {"first audio dropped", {0}, {}, {1, 2}, {0, 1, 2}},
      {"middle audio and last subpicture", {1}, {2}, {0, 2}, {0, 1}},
      {"every audio, first subpicture", {0, 1, 2}, {0}, {}, {1, 2}},
      {"nothing dropped", {}, {}, {0, 1, 2}, {0, 1, 2}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SetUp();
    TitleTables& t = T();
    FillSourceCopy(t);
    uint8_t* src = t.SrcVtsiCopy[0];
    // Three streams of each kind, nothing in the slots after them.
    std::memset(src + 0x102, 0, 2 + 8 * 8);
    std::memset(src + 0x154, 0, 2 + 6 * 32);
    std::memset(src + 512, 0, 0x90);
    src[0x103] = 3;
    src[0x155] = 3;
    for (int i = 0; i < 3; ++i) {
      uint8_t* a = src + 0x104 + 8 * i;
      a[0] = i == 1 ? 0x40 : 0x00;  // AC-3, MPEG-1, AC-3
      a[2] = static_cast<uint8_t>('a' + i);
      a[3] = 'x';
      uint8_t* sp = src + 0x156 + 6 * i;
      sp[2] = static_cast<uint8_t>('p' + i);
      sp[3] = 'y';
      src[512 + 2 * i] = static_cast<uint8_t>(0x80 | (i + 4));  // physical 4, 5, 6
      src[512 + 2 * i + 1] = 0;
      std::memcpy(src + 512 + 0x10 + 4 * i, "\x80\x00\x00\x00", 4);
      src[512 + 0x10 + 4 * i] = static_cast<uint8_t>(0x80 | (10 + i));
      src[512 + 0x10 + 4 * i + 1] = static_cast<uint8_t>(20 + i);
    }
    const Bytes before(src, src + kSrcVtsiCopyBytes);
    for (int n : k.dropAudio) t.DC_A_Use[0][n] = 0;
    for (int n : k.dropSubpic) t.DC_C_Use[0][n] = 0;
    Bytes got = Build();
    for (int i = 0; i < 0x100; ++i) ASSERT_EQ(got[0x100 + i], before[i]) << "menu byte " << i;
    EXPECT_EQ(got[0x202] * 256 + got[0x203], static_cast<int>(k.audioFrom.size()));
    EXPECT_EQ(got[0x254] * 256 + got[0x255], static_cast<int>(k.subpicFrom.size()));
    for (size_t j = 0; j < 8; ++j) {
      const bool kept = j < k.audioFrom.size();
      const int from = kept ? k.audioFrom[j] : 0;
      for (int b = 0; b < 8; ++b)
        ASSERT_EQ(got[0x204 + 8 * j + b], kept ? before[0x104 + 8 * from + b] : 0) << j;
      for (int b = 0; b < 2; ++b)
        ASSERT_EQ(got[0x101C + 2 * j + b], kept ? before[512 + 2 * from + b] : 0) << j;
    }
    for (size_t j = 0; j < 32; ++j) {
      const bool kept = j < k.subpicFrom.size();
      const int from = kept ? k.subpicFrom[j] : 0;
      for (int b = 0; b < 6; ++b)
        ASSERT_EQ(got[0x256 + 6 * j + b], kept ? before[0x156 + 6 * from + b] : 0) << j;
      for (int b = 0; b < 4; ++b)
        ASSERT_EQ(got[0x102C + 4 * j + b], kept ? before[512 + 0x10 + 4 * from + b] : 0) << j;
    }
    // The palette after the stream control is the source's.
    for (int i = 0xA4; i < 0xE4; ++i) ASSERT_EQ(got[0x1010 + i], before[512 + i - 0x0C]) << i;
  }
}

TEST_F(VtsiWriter, PrioritiesSwapEntryZeroInAttributesAndControls) {
  TitleTables& t = T();
  FillSourceCopy(t);
  Bytes src(t.SrcVtsiCopy[0], t.SrcVtsiCopy[0] + kSrcVtsiCopyBytes);
  t.SrcVtsiCopy[0][0x103] = 3;
  t.SrcVtsiCopy[0][0x155] = 2;
  // Audio control entry 2 of the source has a zero stream byte.
  t.SrcVtsiCopy[0][512 + 4] = 0;
  t.DC_A_Priority[0] = 5;  // beyond the three streams: the last one
  t.DC_C_Priority[0] = 1;
  Bytes got = Build();
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(got[0x204 + k], t.SrcVtsiCopy[0][0x104 + 16 + k]);
    EXPECT_EQ(got[0x204 + 16 + k], t.SrcVtsiCopy[0][0x104 + k]);
  }
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(got[0x256 + k], t.SrcVtsiCopy[0][0x156 + 6 + k]);
    EXPECT_EQ(got[0x256 + 6 + k], t.SrcVtsiCopy[0][0x156 + k]);
  }
  // Audio control: entries 0 and 2 swapped; the zero byte became 0x80 | 2.
  EXPECT_EQ(got[0x101C], 0x82);
  EXPECT_EQ(got[0x101D], t.SrcVtsiCopy[0][512 + 5]);
  EXPECT_EQ(got[0x1020], t.SrcVtsiCopy[0][512 + 0]);
  // Subpicture control: entries 0 and 1 (4 bytes each from 0x1C) swapped.
  EXPECT_EQ(got[0x102C], t.SrcVtsiCopy[0][512 + 0x20 - 0x0C] | 0x80);
  EXPECT_EQ(got[0x1030], t.SrcVtsiCopy[0][512 + 0x1C - 0x0C]);
}

TEST_F(VtsiWriter, PostCommandFollowsTitleSeries) {
  TitleTables& t = T();
  const Bytes exitCmd = {0x30, 0x01, 0, 0, 0, 0, 0, 0};
  const Bytes callCmd = {0x30, 0x08, 0x00, 0x01, 0x01, 0xC0, 0, 0};
  const Bytes jumpCmd = {0x30, 0x05, 0x00, 0x01, 0x00, 0x01, 0, 0};
  struct Case { int series, titles; Bytes want; };
  for (const Case& c : {Case{0, 1, exitCmd}, Case{0, 2, callCmd}, Case{1, 1, callCmd},
                        Case{2, 2, exitCmd}, Case{3, 1, jumpCmd}, Case{7, 1, jumpCmd}}) {
    t.DC_TitleSeries = c.series;
    t.DC_TitleNum = c.titles;
    Bytes got = Build();
    EXPECT_EQ(Bytes(got.begin() + 0x1104, got.begin() + 0x110C), c.want)
        << "series " << c.series << " titles " << c.titles;
  }
}

TEST_F(VtsiWriter, VobAndCellNumbersByMode) {
  TitleTables& t = T();
  struct Case { int mode; Bytes pos; };
  for (const Case& c : {Case{0, {0, 1, 0, 1, 0, 2, 0, 1, 0, 3, 0, 1}},
                        Case{1, {0, 1, 0, 1, 0, 1, 0, 2, 0, 1, 0, 3}},
                        Case{3, {0, 1, 0, 1, 0, 1, 0, 2, 0, 2, 0, 1}}}) {
    t.DC_VobCellId[0] = c.mode;
    Bytes got = Build();
    EXPECT_EQ(Bytes(got.begin() + 0x1156, got.begin() + 0x1162), c.pos) << c.mode;
    EXPECT_EQ(got[0x2009], c.pos[1]);
    EXPECT_EQ(got[0x200A], c.pos[3]);
  }
}

TEST_F(VtsiWriter, CellCategoryOfAnScrJumpDependsOnSeamless) {
  TitleTables& t = T();
  t.PrgTimeReset[0][2] = 2;
  EXPECT_EQ(Build()[0x113E], 0x02);
  t.DC_Seamless[0] = 1;
  EXPECT_EQ(Build()[0x113E], 0x0A);
}

TEST_F(VtsiWriter, LargestTitleFitsTheImageAndMoreIsRefused) {
  TitleTables& t = T();
  AuthorState& a = A();
  t.PrgNum[0] = 255;
  t.ChapterNumNew[0] = 255;
  for (int p = 0; p <= 255; ++p) t.StartIndex[0][p] = p * 100;
  for (int p = 0; p < 255; ++p) t.PrgChapterFlg[0][p] = 1;
  a.OutVobuNum = kOutVobuSlots;
  for (int k = 0; k < kOutVobuSlots; ++k) a.OutVobuSector[k] = k;
  a.OutTmapNum = kOutTmapSlots;
  ASSERT_EQ(BuildVtsi(t, a, 0, Image()), kVtsiDone);
  // 1 + 1 + 4 + 129 + 2 + 257 sectors; the map keeps 65535 entries.
  EXPECT_EQ(t.VtsInfoBlockLen[0], 394);
  const uint8_t* admap = Image() + 137 * 2048;
  EXPECT_EQ(admap[4 + 4 * (kOutVobuSlots - 1) + 3], (kOutVobuSlots - 1) & 0xFF);
  const uint8_t* tmap = Image() + 6 * 2048;
  EXPECT_EQ(tmap[14], 0xFF);
  EXPECT_EQ(tmap[15], 0xFF);

  t.PrgNum[0] = 256;
  EXPECT_EQ(BuildVtsi(t, a, 0, Image()), kVtsiTooLarge);
  t.PrgNum[0] = 3;
  t.ChapterNumNew[0] = 4;  // more programs than cells
  EXPECT_EQ(BuildVtsi(t, a, 0, Image()), kVtsiTooLarge);
}

TEST_F(VtsiWriter, WritesIdenticalIfoAndBup) {
  testing::TempDir dir;
  CopyField(A().OutputFolder, dir.path().c_str());
  ComputeProgramTimeCodes(T(), A(), 0);
  ASSERT_EQ(WriteVtsi(T(), A(), 0), kVtsiDone);
  std::string ifo = testing::ReadFile(dir / "VTS_01_0.IFO");
  std::string want(reinterpret_cast<const char*>(ExpectedThreeCells().data()), 6 * 2048);
  EXPECT_EQ(ifo, want);
  EXPECT_EQ(testing::ReadFile(dir / "VTS_01_0.BUP"), want);
}

TEST_F(VtsiWriter, MissingFolderAndFullDiskFail) {
  CopyField(A().OutputFolder, "/nonexistent-folder-for-vtsi/");
  EXPECT_EQ(WriteVtsi(T(), A(), 0), kVtsiFileError);

  testing::TempDir dir;
  CopyField(A().OutputFolder, dir.path().c_str());
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {8192, 8192};  // the IFO needs 12288 bytes
    setrlimit(RLIMIT_FSIZE, &lim);
    _exit(WriteVtsi(T(), A(), 0));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kVtsiFileError);
}

}  // namespace
}  // namespace vm
