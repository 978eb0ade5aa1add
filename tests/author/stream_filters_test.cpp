// The interleave and stream filters on hand-built chunks, and the stream
// filter's carry across chunks inside the VOB writer.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "author/stream_filters.h"
#include "author/vob_writer.h"
#include "common/be.h"
#include "common/scr.h"
#include "dvd/nav_pack.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets
namespace {

TitleTables& T() {
  static TitleTables* t = new TitleTables();
  return *t;
}
AuthorState& A() {
  static AuthorState* a = new AuthorState();
  return *a;
}

uint8_t* At(int i) { return T().IoBuffer + static_cast<size_t>(i) * kPackBytes; }

void Pack(int i, uint32_t scr, uint8_t id) {
  uint8_t* p = At(i);
  std::memset(p, static_cast<uint8_t>(0x30 + i), kPackBytes);
  p[0] = p[1] = 0;
  p[2] = 1;
  p[3] = 0xBA;
  WritePackScr(p, scr, 0);
  p[14] = p[15] = 0;
  p[16] = 1;
  p[17] = id;
}

void Nav(int i, uint32_t scr, uint8_t category = 0, uint32_t ref1 = 0, uint32_t ref2 = 0,
         uint32_t ref3 = 0) {
  Pack(i, scr, 0xBB);
  uint8_t* p = At(i);
  p[kNavSmlPbi] = category;
  WriteBe32(p + kNavVobuEa, 0x99);
  WriteBe32(p + kNavRefEa, ref1);
  WriteBe32(p + kNavRefEa + 4, ref2);
  WriteBe32(p + kNavRefEa + 8, ref3);
}

void Private1(int i, uint8_t substream) {
  Pack(i, 5000, 0xBD);
  At(i)[22] = 5;
  At(i)[28] = substream;
}

// The fill byte tells which source pack ended up at a position.
int SourceOf(int i) { return At(i)[100] - 0x30; }

class Filters : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTables(T());
    T().PrgNum[0] = 0;
    T().TotalSize[0] = 0;
    std::memset(&A(), 0, sizeof(AuthorState));
    std::memset(A().KeepAudioSlot, -1, sizeof A().KeepAudioSlot);
    A().OutFd = -1;
    A().CreateTotalSectors = 100;
  }
};

// Keeps audio stream n of every coding as written stream n.
void KeepAudio(int n) {
  for (auto& slots : A().KeepAudioSlot) slots[n] = static_cast<int8_t>(n);
}

TEST_F(Filters, StreamSelectionFromTheCopiedVtsiAndPgc) {
  uint8_t* copy = T().SrcVtsiCopy[0];
  copy[kCopyVtsAstNsLow] = 2;                         // VTSI 0x203
  copy[kCopyVtsSpstNsLow] = 1;                        // VTSI 0x255
  copy[kCopyPgcAstCtl] = 0x80;                        // PGC 0x0C: stream 0
  copy[kCopyPgcAstCtl + 2] = 0x83;                    // PGC 0x0E: stream 3
  std::memcpy(copy + kCopyPgcSpstCtl, "\x80\x01\x02\x03", 4);  // PGC 0x1C
  SetUpFilters(T(), A(), 0);
  EXPECT_EQ(A().StreamFilterOn, 0);
  EXPECT_EQ(A().KeepAudioStream[0], 1);
  EXPECT_EQ(A().KeepAudioStream[3], 1);
  EXPECT_EQ(A().KeepAudioStream[1], 0);
  EXPECT_EQ(A().KeepSubpicStream[0] + A().KeepSubpicStream[1] + A().KeepSubpicStream[2], 3);
  EXPECT_EQ(A().KeepSubpicStream[3], 0);
  EXPECT_EQ(A().OutIlvuLastUnitScr, 0x7FFFFFFFu);

  T().DC_A_Use[0][1] = 0;
  SetUpFilters(T(), A(), 0);
  EXPECT_EQ(A().StreamFilterOn, 1);
  EXPECT_EQ(A().KeepAudioStream[3], 0);

  // Counts beyond the tables (a damaged VTSI) are bounded.
  copy[kCopyVtsAstNsLow] = 0xFF;
  copy[kCopyVtsSpstNsLow] = 0xFF;
  SetUpFilters(T(), A(), 0);
  T().DC_VtsiEnable[0] = 0;
  SetUpFilters(T(), A(), 0);
  EXPECT_EQ(A().StreamFilterOn, 0);
}

// nav0 video a80 a81 sp20 video nav1 a81 video; audio 1 dropped.
void BuildStreamChunk() {
  Nav(0, 1000, 0, 5, 5, 2);
  Pack(1, 2000, 0xE0);
  Private1(2, 0x80);
  Private1(3, 0x81);
  Private1(4, 0x20);
  Pack(5, 3000, 0xE0);
  Nav(6, 46000, 0, 2, 0, 0);
  Private1(7, 0x81);
  Pack(8, 47000, 0xE0);
  std::memset(At(0) + kNavSynci, 0xDD, kNavSynciBytes);
  KeepAudio(0);
  A().KeepSubpicStream[0] = 1;
}

TEST_F(Filters, StreamFilterDropsPacksAndShrinksEndAddresses) {
  BuildStreamChunk();
  FilterChunk c{T().IoBuffer, 0, 9, 0, false};
  StreamFilter(A(), c);
  ASSERT_EQ(c.packs, 7);
  EXPECT_EQ(c.carry, 0);
  const int order[] = {0, 1, 2, 4, 5, 6, 8};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(SourceOf(i), order[i]) << i;
  EXPECT_EQ(ReadBe32(At(0) + kNavVobuEa), 4u);
  EXPECT_EQ(ReadBe32(At(0) + kNavRefEa), 4u);
  EXPECT_EQ(ReadBe32(At(0) + kNavRefEa + 4), 4u);
  EXPECT_EQ(ReadBe32(At(0) + kNavRefEa + 8), 2u);  // before the dropped pack
  EXPECT_EQ(ReadBe32(At(5) + kNavVobuEa), 1u);
  EXPECT_EQ(ReadBe32(At(5) + kNavRefEa), 1u);
  EXPECT_EQ(ReadBe32(At(5) + kNavRefEa + 4), 0u);  // never below zero
  // The kept audio stream's sync address names its first pack; the
  // dropped stream's and every other byte are 0.
  EXPECT_EQ(ReadBe16(At(0) + kNavSynci), 2u);
  for (int k = kASyncaBytes; k < kNavSynciBytes; ++k) ASSERT_EQ(At(0)[kNavSynci + k], 0) << k;
  for (int k = 0; k < kNavSynciBytes; ++k) ASSERT_EQ(At(5)[kNavSynci + k], 0) << k;
  EXPECT_EQ(A().CreateTotalSectors, 98);
}

// Audio packs are told by coding and stream number (numbers count per
// coding: AC-3 0x80 and MPEG 0xC0 are both stream 0), MPEG audio (stream
// ids 0xC0.., extension 0xD0..) is dropped like the private stream 1
// codings, and each kept stream's sync address, in its written order,
// points at its first pack after the drop.
TEST_F(Filters, AudioDropsByCodingAndNumberAndSyncAddressesFollowTheKeptPacks) {
  struct Case {
    const char* what;
    std::vector<int> drop;        // logical streams left out
    std::vector<int> order;       // source packs that stay
    std::vector<uint16_t> synca;  // A_SYNCA 0..3 of the first VOBU
  };
  // Streams: 0 AC-3 number 0, 1 MPEG number 0, 2 MPEG number 1.
  // Packs: nav0 video c1 a80 c0 d1 c1 nav7 c0.
  const Case cases[] = {
      {"MPEG number 0 dropped", {1}, {0, 1, 2, 3, 5, 6, 7}, {3, 2, 0, 0}},
      {"AC-3 dropped, MPEG renumbered", {0}, {0, 1, 2, 4, 5, 6, 7, 8}, {3, 2, 0, 0}},
      {"MPEG number 1 and its extension dropped", {2}, {0, 1, 3, 4, 7, 8}, {2, 3, 0, 0}},
      {"every stream kept", {}, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {3, 4, 2, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SetUp();
    uint8_t* copy = T().SrcVtsiCopy[0];
    std::memset(copy, 0, kSrcVtsiCopyBytes);
    copy[kCopyVtsAstNsLow] = 3;
    copy[kCopyVtsAstAtrt] = 0x00;      // AC-3
    copy[kCopyVtsAstAtrt + 8] = 0x40;  // MPEG-1
    copy[kCopyVtsAstAtrt + 16] = 0x60; // MPEG-2 with extension
    copy[kCopyPgcAstCtl] = 0x80;
    copy[kCopyPgcAstCtl + 2] = 0x80;
    copy[kCopyPgcAstCtl + 4] = 0x81;
    T().DC_VtsiEnable[0] = 1;
    for (int n : k.drop) T().DC_A_Use[0][n] = 0;
    SetUpFilters(T(), A(), 0);
    EXPECT_EQ(A().StreamFilterOn, k.drop.empty() ? 0 : 1);
    Nav(0, 1000, 0, 6, 6, 6);
    Pack(1, 2000, 0xE0);
    Pack(2, 2100, 0xC1);
    Private1(3, 0x80);
    Pack(4, 2200, 0xC0);
    Pack(5, 2300, 0xD1);
    Pack(6, 2400, 0xC1);
    Nav(7, 46000);
    Pack(8, 47000, 0xC0);
    std::memset(At(0) + kNavSynci, 0xDD, kNavSynciBytes);
    FilterChunk c{T().IoBuffer, 0, 9, 0, false};
    StreamFilter(A(), c);
    ASSERT_EQ(c.packs, static_cast<int>(k.order.size()));
    for (int i = 0; i < c.packs; ++i) EXPECT_EQ(SourceOf(i), k.order[static_cast<size_t>(i)]) << i;
    for (int n = 0; n < 4; ++n)
      EXPECT_EQ(ReadBe16(At(0) + kNavSynci + kASyncaBytes * n), k.synca[static_cast<size_t>(n)])
          << "stream " << n;
    EXPECT_EQ(A().CreateTotalSectors, 100 - (9 - c.packs));
  }
}

TEST_F(Filters, StreamFilterHoldsBackTheLastVobuWhileTheListGoesOn) {
  BuildStreamChunk();
  FilterChunk c{T().IoBuffer, 0, 9, 0, true};
  StreamFilter(A(), c);
  EXPECT_EQ(c.packs, 5);
  EXPECT_EQ(c.carry, 2 * kPackBytes);
  EXPECT_EQ(ReadBe32(At(5) + kNavVobuEa), 0x99u);  // closed by the next chunk
  EXPECT_EQ(ReadBe32(At(5) + kNavRefEa), 1u);
}

TEST_F(Filters, UnknownSubstreamFollowsThePreviousDecision) {
  KeepAudio(0);
  Nav(0, 1000);
  Private1(1, 0xFF);  // before any decision: kept
  Private1(2, 0x81);  // dropped
  Private1(3, 0xFF);  // follows the drop
  Private1(4, 0x80);  // kept
  Private1(5, 0xFF);  // follows the keep
  FilterChunk c{T().IoBuffer, 0, 6, 0, false};
  StreamFilter(A(), c);
  ASSERT_EQ(c.packs, 4);
  EXPECT_EQ(SourceOf(1), 1);
  EXPECT_EQ(SourceOf(2), 4);
  EXPECT_EQ(SourceOf(3), 5);
}

// Unit A at 0 s, unit B at 1 s (another angle, dropped with its data and
// its inner NAV pack), unit C at 3 s kept.
TEST_F(Filters, InterleaveFilterDropsUnitsWithinOnePointTwoSeconds) {
  Nav(0, 0, kIlvuUnitStart);
  Pack(1, 100, 0xE0);
  Nav(2, 90000, kIlvuUnitStart);
  Pack(3, 90100, 0xE0);
  Nav(4, 95000, 0x10);
  Pack(5, 95100, 0xE0);
  Nav(6, 270000, kIlvuUnitStart);
  Pack(7, 270100, 0xE0);
  AuthorState& a = A();
  a.OutIlvuLastUnitScr = 0x7FFFFFFF;
  a.OutVobuMark[0] = 1;
  a.OutVobuMark[1] = 0;
  a.OutVobuMark[2] = 0;
  a.OutVobuMark[3] = 1;
  a.OutVobuMark[4] = 1;
  FilterChunk c{T().IoBuffer, 0, 8, 0, false};
  InterleaveFilter(a, c);
  ASSERT_EQ(c.packs, 4);
  const int order[] = {0, 1, 6, 7};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(SourceOf(i), order[i]) << i;
  EXPECT_EQ(a.OutVobuMark[0], 1);
  EXPECT_EQ(a.OutVobuMark[1], 3);  // the chapter of unit C, now after a dropped unit
  EXPECT_EQ(a.OutVobuMark[2], 1);
  EXPECT_EQ(a.OutIlvuSkipping, 0);
  EXPECT_EQ(a.OutIlvuLastUnitScr, 270000u);
  EXPECT_EQ(a.CreateTotalSectors, 96);
}

TEST_F(Filters, InterleaveSkippingCarriesIntoTheNextChunk) {
  AuthorState& a = A();
  a.OutIlvuLastUnitScr = 0;
  Nav(0, 90000, kIlvuUnitStart);
  Pack(1, 90100, 0xE0);
  FilterChunk c{T().IoBuffer, 0, 2, 0, true};
  InterleaveFilter(a, c);
  EXPECT_EQ(c.packs, 0);
  EXPECT_EQ(a.OutIlvuSkipping, 1);
  Pack(0, 90200, 0xE0);
  Nav(1, 100000, 0);  // no interleave bits: the end of the unit
  c = FilterChunk{T().IoBuffer, 0, 2, 0, true};
  InterleaveFilter(a, c);
  ASSERT_EQ(c.packs, 1);
  EXPECT_EQ(SourceOf(0), 1);
  EXPECT_EQ(a.OutIlvuLastUnitScr, 0x7FFFFFFFu);
  EXPECT_EQ(a.OutVobuMark[0], 2);
}

// A VOBU held back by the stream filter starts the chunk: its NAV pack is
// the next VOBU, so a unit dropped after it deletes the mark after its own.
TEST_F(Filters, InterleaveCountsTheHeldBackNavPack) {
  AuthorState& a = A();
  a.OutVobuNum = 10;
  a.OutIlvuLastUnitScr = 0;
  Nav(0, 5000, 0);  // carried from the previous chunk
  Nav(1, 45000, kIlvuUnitStart);
  Nav(2, 500000, kIlvuUnitStart);
  a.OutVobuMark[10] = 1;
  a.OutVobuMark[11] = 0;
  a.OutVobuMark[12] = 1;
  FilterChunk c{T().IoBuffer, 1, 3, 0, false};
  InterleaveFilter(a, c);
  ASSERT_EQ(c.packs, 2);
  EXPECT_EQ(a.OutVobuMark[10], 1);
  EXPECT_EQ(a.OutVobuMark[11], 3);
}

// Through the writer with chunks of 8 packs: VOBUs of 5 packs, each with
// one pack of a dropped audio stream, so VOBUs straddle chunk boundaries.
// A source file shorter than its list (cut short since the scan) stops the
// writer with a source error at the sector where the file ends.
TEST_F(Filters, WriterCarriesPartialVobusAcrossChunks) {
  for (int extraPacks : {0, 10}) {
  SetUp();
  testing::TempDir dir;
  std::string src = dir / "SRC.VOB";
  std::string bytes;
  constexpr int kVobus = 7;
  for (int v = 0; v < kVobus; ++v) {
    Nav(0, 1000 + 45000u * v, 0, 4, 4, 4);
    WriteBe16(At(0) + kNavPciEltm, 0);
    At(0)[kNavPciEltm + 3] = static_cast<uint8_t>(0xC1 + v);  // eltm v+1 frames
    Pack(1, 2000 + 45000u * v, 0xE0);
    Private1(2, 0x81);
    Private1(3, 0x80);
    Pack(4, 3000 + 45000u * v, 0xE0);
    bytes.append(reinterpret_cast<char*>(T().IoBuffer), 5 * kPackBytes);
  }
  ASSERT_TRUE(testing::WriteFile(src, bytes));
  TitleTables& t = T();
  t.DC_ListNum[0] = 1;
  std::strcpy(t.DC_SrcFName[0], src.c_str());
  t.DC_StartVobu[0] = -1;
  t.DC_TotalSize[0] = static_cast<double>(bytes.size()) + extraPacks * kPackBytes;
  t.DC_ChapterNum[0] = 1;
  t.SrcVtsiCopy[0][kCopyVtsAstNsLow] = 2;
  t.SrcVtsiCopy[0][kCopyPgcAstCtl] = 0x80;
  t.SrcVtsiCopy[0][kCopyPgcAstCtl + 2] = 0x81;
  t.DC_A_Use[0][1] = 0;
  AuthorState& a = A();
  std::strcpy(a.OutputFolder, dir.path().c_str());
  a.OutVobNo = 1;
  a.NgPromptArmed = 1;
  a.CreateTotalSectors = 5 * kVobus + extraPacks;
  a.ChunkBytesLimit = 8 * kPackBytes;
  std::string out = dir / "VTS_01_1.VOB";
  a.OutFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  RecordingUi ui;
  if (extraPacks > 0) {
    EXPECT_EQ(WriteTitleVobs(t, a, ui, 0), kVobWriteSourceError);
    EXPECT_EQ(a.SourceFault, kSourceEndedEarly);
    EXPECT_EQ(a.SourceFaultSector, 5 * kVobus);
    close(a.OutFd);
    a.OutFd = -1;
    continue;
  }
  ASSERT_EQ(WriteTitleVobs(t, a, ui, 0), kVobWriteDone);
  close(a.OutFd);
  a.OutFd = -1;
  std::string o = testing::ReadFile(out);
  ASSERT_EQ(o.size(), 4u * kVobus * kPackBytes) << extraPacks;
  EXPECT_EQ(a.OutVobuNum, kVobus);
  EXPECT_EQ(a.CreateTotalSectors, 4 * kVobus + extraPacks);
  EXPECT_EQ(t.TotalSize[0], 4.0 * kVobus * kPackBytes);
  for (int v = 0; v < kVobus; ++v) {
    const uint8_t* nav = reinterpret_cast<const uint8_t*>(o.data()) + 4 * v * kPackBytes;
    ASSERT_EQ(nav[17], 0xBB) << v;
    EXPECT_EQ(ReadBe32(nav + kNavDsiLbn), 4u * v) << v;
    EXPECT_EQ(ReadBe32(nav + kNavVobuEa), 3u) << v;
    EXPECT_EQ(ReadBe32(nav + kNavRefEa), 3u) << v;
    EXPECT_EQ(nav[kNavSynci], 0) << v;
    for (int k = 1; k < 4; ++k) {
      const uint8_t* p = nav + k * kPackBytes;
      EXPECT_FALSE(p[17] == 0xBD && p[28] == 0x81) << v << " " << k;
    }
  }
  }
}

}  // namespace
}  // namespace vm
