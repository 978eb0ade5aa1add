// The VOB writer on small synthetic sources: NAV rewrites at their offsets,
// cell cutting, limits, prompts, splits and a filling disk.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "author/vob_writer.h"
#include "common/be.h"
#include "common/scr.h"
#include "common/timecode.h"
#include "dvd/nav_pack.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets
namespace {

using Bytes = std::vector<uint8_t>;

TitleTables& T() {
  static TitleTables* t = new TitleTables();
  return *t;
}
AuthorState& A() {
  static AuthorState* a = new AuthorState();
  return *a;
}

Bytes Pack(uint32_t scr, uint8_t id, uint8_t fill) {
  Bytes p(kPackBytes, fill);
  p[0] = p[1] = 0;
  p[2] = 1;
  p[3] = 0xBA;
  WritePackScr(p.data(), scr, 0);
  p[10] = 0x01;
  p[11] = 0x89;
  p[12] = 0xC3;
  p[13] = 0xF8;
  p[14] = p[15] = 0;
  p[16] = 1;
  p[17] = id;
  p[20] = 0x81;  // PES header flags: not scrambled, original
  return p;
}

constexpr int kSPtm = 0x39, kEPtm = 0x3D;  // PCI VOBU_S_PTM, VOBU_E_PTM

// A navigation pack with E_ELTM = `eltm` frames, a VOBU presenting
// `ticks` from shortly after its SCR, and every field the writer changes
// filled with a recognisable byte.
Bytes Nav(uint32_t scr, int eltm, uint32_t ticks) {
  Bytes p = Pack(scr, 0xBB, 0);
  WriteBe32(p.data() + kSPtm, scr + 20000);
  WriteBe32(p.data() + kEPtm, scr + 20000 + ticks);
  FramesToTimeCode(eltm, p.data() + kNavPciEltm);
  FramesToTimeCode(eltm, p.data() + kNavDsiCEltm);
  WriteBe32(p.data() + kNavPciLbn, 0x11111111);
  WriteBe32(p.data() + kNavDsiLbn, 0x11111111);
  WriteBe32(p.data() + kNavVobuUopCtl, 0xEEEEEEEE);
  std::memset(p.data() + kNavNsmlAgli, 0xAA, kNavNsmlAgliBytes);
  std::memset(p.data() + kNavSmlPbi, 0xBB, kNavSmlPbiBytes);
  std::memset(p.data() + kNavSmlAgli, 0xCC, kNavSmlAgliBytes);
  std::memset(p.data() + kNavSynci, 0xDD, kNavSynciBytes);
  WriteBe16(p.data() + kNavVobIdn, 0x4444);
  WriteBe16(p.data() + kNavCellIdnHigh, 0x4444);
  return p;
}

Bytes Data(uint32_t scr, uint8_t fill) { return Pack(scr, 0xE0, fill); }

struct Source {
  std::vector<Bytes> packs;
  void Vobu(uint32_t scr, int eltm, int dataPacks = 1, uint32_t ticks = 45000) {
    packs.push_back(Nav(scr, eltm, ticks));
    for (int k = 0; k < dataPacks; ++k) {
      packs.push_back(Data(scr + 40000, static_cast<uint8_t>(packs.size())));
    }
  }
  std::string Bytes_() const {
    std::string s;
    for (const Bytes& p : packs) s.append(p.begin(), p.end());
    return s;
  }
};

class VobWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTables(T());
    std::memset(&A(), 0, sizeof(AuthorState));
    AuthorState& a = A();
    a.OutFd = -1;
    std::strcpy(a.OutputFolder, dir.path().c_str());
    a.NgPromptArmed = 1;
    a.OutVobNo = 1;
    T().DC_ChapterNum[0] = 1;
    T().DC_ChapterIdxTbl[0][0] = 0;
    T().DC_TitleNum = 1;
    T().DC_ListNum[0] = 0;
    T().PrgNum[0] = 0;
    T().TotalSize[0] = 0;
    T().StopRequest = 0;
    T().InterleaveDetected = 0;
  }
  void TearDown() override {
    if (A().OutFd >= 0) close(A().OutFd);
  }
  void AddList(const Source& s, int32_t startVobu = -1, int index = -1) {
    TitleTables& t = T();
    int l = t.DC_ListNum[0]++;
    std::string path = dir / ("SRC" + std::to_string(index < 0 ? l : index) + ".VOB");
    std::string bytes = s.Bytes_();
    if (index < 0 || !testing::ReadFile(path).size()) testing::WriteFile(path, bytes);
    std::strcpy(t.DC_SrcFName[l], path.c_str());
    t.DC_StartVobu[l] = startVobu;
    double size = static_cast<double>(bytes.size());
    if (startVobu > 0) size -= 2048.0 * startVobu;
    t.DC_TotalSize[l] = size;
    A().CreateTotalSectors += static_cast<int32_t>(size / 2048);
  }
  void Chapter(int vobu) { T().DC_ChapterIdxTbl[0][T().DC_ChapterNum[0]++] = vobu; }
  int Run() {
    AuthorState& a = A();
    std::string out = dir / "VTS_01_1.VOB";
    a.OutFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(a.OutFd, 0);
    int r = WriteTitleVobs(T(), a, ui, 0);
    close(a.OutFd);
    a.OutFd = -1;
    return r;
  }
  Bytes Out(int vobNo = 1) {
    std::string s = testing::ReadFile(dir / ("VTS_01_" + std::to_string(vobNo) + ".VOB"));
    return Bytes(s.begin(), s.end());
  }
  static const uint8_t* PackOf(const Bytes& b, int i) { return b.data() + i * kPackBytes; }

  testing::TempDir dir;
  RecordingUi ui;
};

TEST_F(VobWriter, RewritesEveryNavFieldAndKeepsOtherPacks) {
  Source s;
  s.Vobu(90000, 30, 2);  // cell start with E_ELTM 1 s
  s.Vobu(135000, 45, 1);
  std::memcpy(s.packs[1].data() + 30, "\x00\x00\x01\xB3\x2D\x01\xE0", 7);  // 720 x 480
  AddList(s);
  ASSERT_EQ(Run(), kVobWriteDone);
  Bytes out = Out();
  ASSERT_EQ(out.size(), 5u * kPackBytes);
  const uint8_t* n1 = PackOf(out, 3);
  EXPECT_EQ(ReadBe32(n1 + kNavPciLbn), 3u);
  EXPECT_EQ(ReadBe32(n1 + kNavDsiLbn), 3u);
  EXPECT_EQ(ReadBe32(n1 + kNavVobuUopCtl), 0u);
  // E_ELTM and C_ELTM relative to the cell start: 15 frames.
  const uint8_t tc[4] = {0x00, 0x00, 0x00, 0xD5};
  EXPECT_EQ(0, std::memcmp(n1 + kNavPciEltm, tc, 4));
  EXPECT_EQ(0, std::memcmp(n1 + kNavDsiCEltm, tc, 4));
  for (int k = 0; k < kNavNsmlAgliBytes; ++k) EXPECT_EQ(n1[kNavNsmlAgli + k], 0);
  for (int k = 0; k < kNavSmlPbiBytes; ++k) EXPECT_EQ(n1[kNavSmlPbi + k], 0);
  for (int k = 0; k < kNavSmlAgliBytes; ++k) EXPECT_EQ(n1[kNavSmlAgli + k], 0);
  EXPECT_EQ(n1[kNavSynci], 0xDD);  // only the stream filter clears SYNCI
  // Default VOB/cell mode 6: the counters, VOB 1 cell 1.
  EXPECT_EQ(ReadBe16(n1 + kNavVobIdn), 1u);
  EXPECT_EQ(ReadBe16(n1 + kNavCellIdnHigh), 1u);
  const uint8_t* n0 = PackOf(out, 0);
  EXPECT_EQ(ReadBe32(n0 + kNavPciLbn), 0u);
  EXPECT_EQ(n0[kNavCellMarker], 0x5A);  // the title start after "no SCR yet" forces
  EXPECT_EQ(n0[kNavCellMarker + 1], 0xA5);
  for (int i : {1, 2, 4}) {
    EXPECT_EQ(0, std::memcmp(PackOf(out, i), s.packs[i].data(), kPackBytes)) << i;
  }
  const TitleTables& t = T();
  const AuthorState& a = A();
  EXPECT_EQ(t.PrgNum[0], 1);
  EXPECT_EQ(t.StartIndex[0][0], 0);
  EXPECT_EQ(t.PrgChapterFlg[0][0], 1);
  EXPECT_EQ(t.PrgTimeReset[0][0], 2);
  EXPECT_EQ(a.OutVobuNum, 2);
  EXPECT_EQ(a.OutVobuSector[1], 3);
  EXPECT_EQ(a.OutVobuCellNo[1], 1);
  EXPECT_EQ(a.OutVobuFileNo[1], 1);
  EXPECT_EQ(a.OutLastNavSector, 3);
  EXPECT_EQ(a.OutLastVideoVobu, 1);
  EXPECT_EQ(a.OutSector, 5);
  EXPECT_EQ(a.OutPictureWidth, 720);
  EXPECT_EQ(a.OutPictureHeight, 480);
  EXPECT_EQ(t.TotalSize[0], 5.0 * kPackBytes);
  EXPECT_EQ(a.CellTicks[0], 90000);  // two VOBUs of 0.5 s
  EXPECT_EQ(a.CreateDoneSectors, 5);
  EXPECT_EQ(ui.lastDone, 3);  // drawn at the second NAV pack, before it counts
}

// VOBUs: 0 scr 0 eltm 0 (chapter); 1 with 5B B5; 2 chapter, smooth SCR;
// 3 chapter after a 10 s jump; 4 carries 5A A5; 5 eltm 0.
TEST_F(VobWriter, CutsCellsAtEltmZeroMarksJumpsAndMarkers) {
  Source s;
  s.Vobu(0, 0);
  s.Vobu(45000, 15);
  s.packs[2][kNavCellMarker] = 0x5B;
  s.packs[2][kNavCellMarker + 1] = 0xB5;
  s.Vobu(90000, 30);
  s.Vobu(90000 + 45000 + 900000, 45);
  s.Vobu(90000 + 90000 + 900000, 60);
  s.packs[8][kNavCellMarker] = 0x5A;
  s.packs[8][kNavCellMarker + 1] = 0xA5;
  s.Vobu(90000 + 135000 + 900000, 0);
  AddList(s);
  Chapter(2);
  Chapter(3);
  ASSERT_EQ(Run(), kVobWriteDone);
  const TitleTables& t = T();
  ASSERT_EQ(t.PrgNum[0], 5);
  const int start[] = {0, 4, 6, 8, 10};
  const int chapter[] = {1, 1, 1, 0, 0};
  const int reset[] = {1, 0, 2, 2, 0};
  for (int p = 0; p < 5; ++p) {
    EXPECT_EQ(t.StartIndex[0][p], start[p]) << p;
    EXPECT_EQ(t.PrgChapterFlg[0][p], chapter[p]) << p;
    EXPECT_EQ(t.PrgTimeReset[0][p], reset[p]) << p;
  }
  EXPECT_EQ(t.EndIndex[0][0], 2);
  EXPECT_EQ(t.PackEndIndex[0][0], 3);
  EXPECT_EQ(t.EndIndex[0][3], 8);
  EXPECT_EQ(t.PackEndIndex[0][3], 9);
  Bytes out = Out();
  EXPECT_EQ(PackOf(out, 2)[kNavCellMarker], 0);  // 5B B5 cleared
  EXPECT_EQ(PackOf(out, 2)[kNavCellMarker + 1], 0);
  EXPECT_EQ(PackOf(out, 4)[kNavCellMarker], 0);  // smooth mark: no marker
  EXPECT_EQ(PackOf(out, 6)[kNavCellMarker], 0x5A);
  EXPECT_EQ(PackOf(out, 6)[kNavCellMarker + 1], 0xA5);
  const int vob[] = {1, 1, 1, 2, 3, 3};
  const int cell[] = {1, 1, 2, 1, 1, 2};
  for (int v = 0; v < 6; ++v) {
    EXPECT_EQ(ReadBe16(PackOf(out, 2 * v) + kNavVobIdn), vob[v]) << v;
    EXPECT_EQ(ReadBe16(PackOf(out, 2 * v) + kNavCellIdnHigh), cell[v]) << v;
  }
  const uint8_t cellNo[] = {1, 1, 2, 3, 4, 5};
  for (int v = 0; v < 6; ++v) EXPECT_EQ(A().OutVobuCellNo[v], cellNo[v]) << v;
}

// Nine VOBUs of 1.5 s, a new cell at VOBU 6: an entry for each 3 s of the
// title names the VOBU that presents it, flagged where it is a new cell's.
TEST_F(VobWriter, TimeMapEveryThreeSecondsOfPresentationTime) {
  Source s;
  for (int n = 0; n < 9; ++n) s.Vobu(135000u * n + 1000, n == 6 ? 0 : 10 + n, 1, 135000);
  AddList(s);
  ASSERT_EQ(Run(), kVobWriteDone);
  ASSERT_EQ(A().OutTmapNum, 4);
  EXPECT_EQ(A().OutTmapEntry[0], 4);
  EXPECT_EQ(A().OutTmapEntry[1], 8);
  EXPECT_EQ(static_cast<uint32_t>(A().OutTmapEntry[2]), 0x8000000Cu);
  EXPECT_EQ(A().OutTmapEntry[3], 16);
}

TEST_F(VobWriter, TimeMapFullIsRefused) {
  Source s;
  for (int n = 0; n < 6; ++n) s.Vobu(135000u * n + 1000, 10 + n, 1, 135000);  // 2 entries
  AddList(s);
  A().OutTmapNum = kOutTmapSlots - 1;  // room for exactly one more entry
  EXPECT_EQ(Run(), kVobWriteTooManyVobus);
  EXPECT_EQ(A().OutTmapNum, kOutTmapSlots);
}

// A range starting inside file 0 near its end, then file 1: both lists
// share one chunk and the start still opens a forced cell.
TEST_F(VobWriter, ListStartInsideFileForcesCellEvenInSharedChunk) {
  Source a;
  a.Vobu(1000, 5);
  a.Vobu(46000, 20);
  a.Vobu(91000, 35);
  Source b;
  b.Vobu(136000, 50);
  b.Vobu(181000, 65);
  AddList(a, 2);
  AddList(b);
  T().DC_ChapterNum[0] = 0;  // no chapter: only the list start can cut
  ASSERT_EQ(Run(), kVobWriteDone);
  const TitleTables& t = T();
  ASSERT_EQ(t.PrgNum[0], 1);
  EXPECT_EQ(t.PrgTimeReset[0][0], 2);
  Bytes out = Out();
  ASSERT_EQ(out.size(), 8u * kPackBytes);
  EXPECT_EQ(PackOf(out, 0)[kNavCellMarker], 0x5A);
  EXPECT_EQ(ReadBe32(PackOf(out, 2) + kNavDsiLbn), 2u);
  EXPECT_EQ(ReadBe32(PackOf(out, 4) + kNavDsiLbn), 4u);
  EXPECT_EQ(0, std::memcmp(PackOf(out, 5), b.packs[1].data(), kPackBytes));
  EXPECT_EQ(A().CurListIdx, 2);
}

TEST_F(VobWriter, CellLimitAccepts255AndRefuses256) {
  Source s;
  for (int n = 0; n < 255; ++n) s.Vobu(45000u * n + 1000, 0, 0);
  AddList(s);
  EXPECT_EQ(Run(), kVobWriteDone);
  EXPECT_EQ(T().PrgNum[0], 255);

  SetUp();
  s.Vobu(45000u * 255 + 1000, 0, 0);
  AddList(s);
  EXPECT_EQ(Run(), kVobWriteTooManyCells);
}

TEST_F(VobWriter, The131073rdVobuIsRefused) {
  Source s;
  for (int n = 0; n < 3; ++n) s.Vobu(45000u * n + 1000, 10 + n);
  AddList(s);
  A().OutVobuNum = kOutVobuSlots - 2;
  EXPECT_EQ(Run(), kVobWriteTooManyVobus);
  EXPECT_EQ(A().OutVobuNum, kOutVobuSlots);
}

TEST_F(VobWriter, DamagedPacksAskOnceAndAreCopied) {
  Source s;
  s.Vobu(1000, 10, 3);
  s.packs[2][3] = 0x00;
  s.packs[3][0] = 0x47;
  AddList(s);
  ASSERT_EQ(Run(), kVobWriteDone);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Confirm");
  EXPECT_EQ(ui.messages[0].text,
            "PACK header is invalid (Data is broken: PACK No.=00000002h).\nContinue or not ? (If "
            "data damage is little, DVD player will play it normally.)");
  EXPECT_EQ(A().NgPackCount, 2);
  Bytes out = Out();
  EXPECT_EQ(0, std::memcmp(PackOf(out, 2), s.packs[2].data(), kPackBytes));
  EXPECT_EQ(0, std::memcmp(PackOf(out, 3), s.packs[3].data(), kPackBytes));

  SetUp();
  ui.Clear();
  ui.answers.push_back(Answer::No);
  AddList(s);
  EXPECT_EQ(Run(), kVobWriteDeclined);
  EXPECT_EQ(A().NgPackCount, 0);
}

TEST_F(VobWriter, StopRequestEndsWithTen) {
  Source s;
  s.Vobu(1000, 10, 3);
  AddList(s);
  ui.stopAfterPumps = 1;
  EXPECT_EQ(Run(), kVobWriteStopped);
  EXPECT_EQ(T().StopRequest, 1);
}

TEST_F(VobWriter, SourceOpenFailureIsOne) {
  Source s;
  s.Vobu(1000, 10);
  AddList(s);
  std::strcat(T().DC_SrcFName[0], ".missing");
  EXPECT_EQ(Run(), kVobWriteSourceError);
}

// A source that is no longer the file the read found (changed before its
// packs are copied, or while they are), and a CSS-scrambled pack, stop the
// writer with the source's fault, its list and sector.
TEST_F(VobWriter, SourceFaultsStopTheWriterWithTheFileAndSector) {
  // Calls `change` at the `at`-th message pump (one a chunk).
  struct ChangingUi : RecordingUi {
    std::function<void()> change;
    int at = 0;
    void PumpMessages() override {
      RecordingUi::PumpMessages();
      if (--at == 0 && change) change();
    }
  };
  // Same size, other bytes, a later time: what a copy over it leaves.
  auto rewrite = [](const std::string& path) {
    std::string b = testing::ReadFile(path);
    b[b.size() - 1] ^= 1;
    testing::WriteFile(path, b);
    const timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
    utimensat(AT_FDCWD, path.c_str(), later, 0);
  };
  auto replace = [](const std::string& path) {
    const std::string b = testing::ReadFile(path);
    testing::WriteFile(path + ".new", b);
    rename((path + ".new").c_str(), path.c_str());
  };
  struct Case {
    const char* what;
    int pump;  // 1: before the first chunk is read
    std::function<void(const std::string&)> change;
    bool scramble;
    int32_t fault;
    int64_t sector;
  } cases[] = {
      {"rewritten before the copy", 1, rewrite, false, kSourceChanged, -1},
      {"rewritten during the copy", 2, rewrite, false, kSourceChanged, -1},
      {"replaced during the copy", 3, replace, false, kSourceChanged, -1},
      {"a scrambled video pack", 0, nullptr, true, kSourceEncrypted, 7},
      {"unchanged", 0, nullptr, false, kSourceNoFault, -1},
  };
  for (const Case& c : cases) {
    SetUp();
    Source s;
    for (int n = 0; n < 8; ++n) s.Vobu(45000u * n + 1000, 10 + n, 3);
    if (c.scramble) s.packs[7][20] |= 0x10;
    AddList(s);
    const std::string path = T().DC_SrcFName[0];
    ASSERT_TRUE(IdentityOf(path.c_str(), T().DC_SrcId[0])) << c.what;
    A().ChunkBytesLimit = 8 * kPackBytes;
    ChangingUi changing;
    changing.at = c.pump;
    if (c.change) changing.change = [&] { c.change(path); };
    A().OutFd = open((dir / "VTS_01_1.VOB").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int r = WriteTitleVobs(T(), A(), changing, 0);
    close(A().OutFd);
    A().OutFd = -1;
    EXPECT_EQ(r, c.fault == kSourceNoFault ? kVobWriteDone : kVobWriteSourceError) << c.what;
    EXPECT_EQ(A().SourceFault, c.fault) << c.what;
    if (c.fault != kSourceNoFault) {
      EXPECT_EQ(A().SourceFaultList, 0) << c.what;
      EXPECT_EQ(A().SourceFaultSector, c.sector) << c.what;
    }
  }
}

TEST_F(VobWriter, SplitsAtTheFileSizeAndLeavesEmptyFileAtExactEnd) {
  Source s;
  for (int n = 0; n < 5; ++n) s.Vobu(45000u * n + 1000, 10 + n);  // 10 packs
  AddList(s);
  A().SplitPacks = 5;
  ASSERT_EQ(Run(), kVobWriteDone);
  Bytes f1 = Out(1), f2 = Out(2), f3 = Out(3);
  EXPECT_EQ(f1.size(), 5u * kPackBytes);
  EXPECT_EQ(f2.size(), 5u * kPackBytes);
  EXPECT_EQ(f3.size(), 0u);  // the driver deletes it
  EXPECT_EQ(A().OutVobNo, 3);
  EXPECT_EQ(A().OutVobuFileNo[2], 1);
  EXPECT_EQ(A().OutVobuFileNo[3], 2);
  EXPECT_EQ(ReadBe32(PackOf(f2, 1) + kNavDsiLbn), 6u);  // sectors count across files
  EXPECT_EQ(0, std::memcmp(PackOf(f2, 0), s.packs[5].data(), kPackBytes));
}

TEST_F(VobWriter, SplitsAtTheReal524287Sectors) {
  Source s;
  for (int n = 0; n < 3; ++n) s.Vobu(45000u * n + 1000, 10 + n);
  AddList(s);
  A().OutVobPacks = kOutVobPackLimit - 3;  // as if the file were nearly full
  ASSERT_EQ(Run(), kVobWriteDone);
  EXPECT_EQ(Out(1).size(), 3u * kPackBytes);
  EXPECT_EQ(Out(2).size(), 3u * kPackBytes);
  EXPECT_EQ(A().OutVobPacks, 3);
}

// Runs whose source and output offsets agree on the block grid (a list from
// the start of its file) and runs where they do not (a list that starts at
// an odd sector, and one that follows a list of odd length) give the bytes
// of the plain write path, with NAV packs at both halves of a block.
TEST_F(VobWriter, CopyAndPlainWriteGiveTheSameBytes) {
  Source s;
  for (int n = 0; n < 40; ++n) s.Vobu(45000u * n + 1000, 10 + n, 1 + n % 4);
  Source odd;
  for (int n = 0; n < 7; ++n) odd.Vobu(45000u * (n + 40) + 1000, 9 + 2 * n);
  struct Layout {
    int32_t firstStart;
    bool second;
  };
  for (const Layout& l : {Layout{-1, false}, Layout{5, false}, Layout{-1, true}, Layout{9, true}}) {
    // Copied by the kernel, copied through a buffer as where the kernel
    // refuses, written from the chunk buffer, copied by the kernel again,
    // and copied around the changed packs' blocks as where blocks are
    // shared.
    Bytes out[6];
    int32_t packs = 0;
    for (int mode = 0; mode < 6; ++mode) {
      SetUp();
      AddList(s, l.firstStart, 0);
      if (l.second) AddList(odd, -1, 1);
      A().ChunkBytesLimit = 16 * kPackBytes;  // many chunks, runs cut by NAV packs
      A().RefuseCopies = mode == 1 || mode == 5;
      A().ForcePlainWrite = mode == 2;
      A().AssumeShared = mode >= 4;
      ASSERT_EQ(Run(), kVobWriteDone);
      out[mode] = Out();
      packs = A().OutSector;
    }
    EXPECT_EQ(out[0].size(), static_cast<size_t>(packs) * kPackBytes) << l.firstStart;
    EXPECT_TRUE(out[0] == out[2]) << l.firstStart << " " << l.second;
    EXPECT_TRUE(out[1] == out[2]) << l.firstStart << " " << l.second;
    for (int mode : {3, 4, 5}) EXPECT_TRUE(out[mode] == out[2]) << l.firstStart << " " << mode;
    const int32_t lastNav = A().OutLastNavSector;
    EXPECT_EQ(ReadBe32(PackOf(out[2], lastNav) + kNavDsiLbn), static_cast<uint32_t>(lastNav));
  }
}

// Runs longer than the copier's own buffer, copied where the kernel refuses.
TEST_F(VobWriter, RefusedCopiesOfLongRunsKeepTheirBytes) {
  Source s;
  for (int n = 0; n < 3; ++n) s.Vobu(45000u * n + 1000, 10 + n, 700);
  Bytes out[2];
  for (int mode = 0; mode < 2; ++mode) {
    SetUp();
    AddList(s);
    A().RefuseCopies = mode == 0;
    A().ForcePlainWrite = mode == 1;
    ASSERT_EQ(Run(), kVobWriteDone);
    out[mode] = Out();
  }
  EXPECT_EQ(out[0].size(), 3u * 701 * kPackBytes);
  EXPECT_TRUE(out[0] == out[1]);
}

// In a child limited to 3 sectors of file size every write path reports 2.
TEST_F(VobWriter, FillingDiskIsAnOutputError) {
  Source s;
  for (int n = 0; n < 5; ++n) s.Vobu(45000u * n + 1000, 10 + n);
  for (int mode = 0; mode < 3; ++mode) {
    SetUp();
    AddList(s);
    A().ForcePlainWrite = mode == 1;
    A().RefuseCopies = mode == 2;
    std::string out = dir / "VTS_01_1.VOB";
    A().OutFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(A().OutFd, 0);
    pid_t pid = fork();
    if (pid == 0) {
      rlimit lim{3 * kPackBytes, 3 * kPackBytes};
      setrlimit(RLIMIT_FSIZE, &lim);
      _exit(WriteTitleVobs(T(), A(), ui, 0));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << mode;
    EXPECT_EQ(WEXITSTATUS(status), kVobWriteOutputError) << mode;
  }
}

}  // namespace
}  // namespace vm
