// VOBU search pointers worked out by hand from SCR sequences.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "author/vobu_pointers.h"
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

std::vector<uint8_t> Nav(uint32_t scr) {
  std::vector<uint8_t> p(kPackBytes, 0);
  p[2] = 1;
  p[3] = 0xBA;
  WritePackScr(p.data(), scr, 0);
  p[16] = 1;
  p[17] = 0xBB;
  for (int i = kSriNextVideo; i < kSriPrevVideo + 4; ++i) p[i] = 0x55;
  p[0x7FF] = 0x77;
  return p;
}

class VobuPointers : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&A(), 0, sizeof(AuthorState));
    A().OutFd = -1;
    std::strcpy(A().OutputFolder, dir.path().c_str());
  }
  // VOBU k: nav pack with `scr` at sector `sector` in file `file` (base
  // sector 524287 * (file - 1)), cell `cell`.
  void Add(int32_t sector, int file, int cell, uint32_t scr) {
    AuthorState& a = A();
    int k = a.OutVobuNum++;
    a.OutVobuSector[k] = sector;
    a.OutVobuFileNo[k] = static_cast<uint8_t>(file);
    a.OutVobuCellNo[k] = static_cast<uint8_t>(cell);
    std::string path = dir / ("VTS_01_" + std::to_string(file) + ".VOB");
    int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    std::vector<uint8_t> p = Nav(scr);
    off_t at = static_cast<off_t>(sector - kOutVobPackLimit * (file - 1)) * kPackBytes;
    ASSERT_EQ(pwrite(fd, p.data(), p.size(), at), kPackBytes);
    close(fd);
  }
  std::vector<uint8_t> Read(int k) {
    const AuthorState& a = A();
    int file = a.OutVobuFileNo[k];
    std::string path = dir / ("VTS_01_" + std::to_string(file) + ".VOB");
    int fd = open(path.c_str(), O_RDONLY);
    std::vector<uint8_t> p(kPackBytes);
    off_t at = static_cast<off_t>(a.OutVobuSector[k] - kOutVobPackLimit * (file - 1)) * kPackBytes;
    EXPECT_EQ(pread(fd, p.data(), p.size(), at), kPackBytes);
    close(fd);
    return p;
  }
  static uint32_t Fwd(const std::vector<uint8_t>& p, int step) {
    return ReadBe32(p.data() + kSriForward + 4 * (18 - step));
  }
  static uint32_t Back(const std::vector<uint8_t>& p, int step) {
    return ReadBe32(p.data() + kSriBackward + 4 * step);
  }
  static uint32_t At(const std::vector<uint8_t>& p, int off) { return ReadBe32(p.data() + off); }

  testing::TempDir dir;
  RecordingUi ui;
};

TEST_F(VobuPointers, SingleVobuHasNoTargetsAnywhere) {
  Add(0, 1, 1, 1000);
  ASSERT_EQ(UpdateVobuPointers(T(), A(), ui, 0), 0);
  std::vector<uint8_t> p = Read(0);
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(Fwd(p, i), 0x3FFFFFFFu) << i;
    EXPECT_EQ(Back(p, i), 0x3FFFFFFFu) << i;
  }
  EXPECT_EQ(At(p, kSriNext), 0x3FFFFFFFu);
  EXPECT_EQ(At(p, kSriPrev), 0x3FFFFFFFu);
  EXPECT_EQ(At(p, kSriNextVideo), 0xBFFFFFFFu);
  EXPECT_EQ(At(p, kSriPrevVideo), 0xBFFFFFFFu);
  EXPECT_EQ(p[0x7FF], 0x77);  // nothing outside VOBU_SRI touched
  EXPECT_EQ(ui.lastDone, 1);
}

// SCRs 0, 10000, 20000, 30000, 60000, 100000, 250000 at sectors 0, 5, .., 30.
TEST_F(VobuPointers, StepEntriesWithBetweenBitOnHandWorkedSequence) {
  const uint32_t scr[] = {0, 10000, 20000, 30000, 60000, 100000, 250000};
  for (int k = 0; k < 7; ++k) Add(5 * k, 1, 1, scr[k]);
  A().OutLastVideoVobu = 3;
  ASSERT_EQ(UpdateVobuPointers(T(), A(), ui, 0), 0);

  std::vector<uint8_t> p0 = Read(0);
  EXPECT_EQ(Fwd(p0, 0), 0xC000000Fu);  // VOBU 3, VOBUs 1 and 2 between
  EXPECT_EQ(Fwd(p0, 1), 0x80000014u);
  EXPECT_EQ(Fwd(p0, 2), 0x80000019u);
  EXPECT_EQ(Fwd(p0, 3), 0x80000019u);
  EXPECT_EQ(Fwd(p0, 4), 0x80000019u);
  for (int i = 5; i < 19; ++i) EXPECT_EQ(Fwd(p0, i), 0x3FFFFFFFu) << i;
  for (int i = 0; i < 19; ++i) EXPECT_EQ(Back(p0, i), 0x3FFFFFFFu) << i;
  EXPECT_EQ(At(p0, kSriNext), 0x80000005u);
  EXPECT_EQ(At(p0, kSriNextVideo), 0x80000005u);

  std::vector<uint8_t> p6 = Read(6);
  EXPECT_EQ(Back(p6, 0), 0x80000000u);
  EXPECT_EQ(Back(p6, 1), 0x80000000u);
  EXPECT_EQ(Back(p6, 2), 0x80000000u);
  EXPECT_EQ(Back(p6, 3), 0x80000005u);
  EXPECT_EQ(Back(p6, 4), 0xC000000Fu);
  EXPECT_EQ(Back(p6, 5), 0x7FFFFFFFu);  // VOBUs 0 to 2 lie within every step left
  for (int i = 6; i < 19; ++i) EXPECT_EQ(Back(p6, i), 0x3FFFFFFFu) << i;
  EXPECT_EQ(At(p6, kSriNext), 0x3FFFFFFFu);
  EXPECT_EQ(At(p6, kSriNextVideo), 0xBFFFFFFFu);
  EXPECT_EQ(At(p6, kSriPrev), 0x80000005u);
  EXPECT_EQ(At(p6, kSriPrevVideo), 0x8000000Fu);  // back to VOBU 3

  EXPECT_EQ(At(Read(2), kSriNextVideo), 0x80000005u);
  EXPECT_EQ(At(Read(3), kSriNextVideo), 0xBFFFFFFFu);  // VOBU 4 has no video
  EXPECT_EQ(At(Read(3), kSriPrevVideo), 0x80000005u);
}

TEST_F(VobuPointers, FirstVobuOfCellLooksNoFurtherBack) {
  for (int k = 0; k < 6; ++k) Add(3 * k, 1, k < 3 ? 1 : 2, 45000u * k);
  A().OutLastVideoVobu = 5;
  ASSERT_EQ(UpdateVobuPointers(T(), A(), ui, 0), 0);
  std::vector<uint8_t> p3 = Read(3);
  for (int i = 0; i < 19; ++i) EXPECT_EQ(Back(p3, i), 0x3FFFFFFFu) << i;
  EXPECT_EQ(At(p3, kSriPrev), 0x3FFFFFFFu);
  EXPECT_EQ(At(p3, kSriPrevVideo), 0xBFFFFFFFu);
  EXPECT_EQ(Fwd(p3, 0), 0x80000003u);
  std::vector<uint8_t> p2 = Read(2);  // last of cell 1
  EXPECT_EQ(At(p2, kSriNext), 0x3FFFFFFFu);
  EXPECT_EQ(Fwd(p2, 0), 0x3FFFFFFFu);
  EXPECT_EQ(Back(p2, 0), 0x80000003u);
}

// 1100 VOBUs, one every 0.5 s, one sector apart, the first 600 at the end
// of a sparse first file and the rest at the start of the second: the ring
// wraps and distances run across the file boundary.
TEST_F(VobuPointers, RingOverTwoFilesCountsAcrossTheBoundary) {
  constexpr int kN = 1100;
  constexpr int32_t kFirst = kOutVobPackLimit - 600;
  for (int k = 0; k < kN; ++k) Add(kFirst + k, k < 600 ? 1 : 2, 1, 45000u * k);
  A().OutLastVideoVobu = kN - 1;
  ASSERT_EQ(UpdateVobuPointers(T(), A(), ui, 0), 0);
  EXPECT_EQ(ui.lastDone, kN);
  for (int j : {0, 479, 480, 590, 599, 600, 700, 959, 960, 1000}) {
    std::vector<uint8_t> p = Read(j);
    // Step i (0.5 s * (i + 1)) names VOBU j + i + 1; the longer steps
    // (10, 30, 60, 120 s) VOBUs j + 20, 60, 120, 240 with others between.
    for (int i = 0; i < 15; ++i) {
      uint32_t want = j + i + 1 < kN ? 0x80000000u | static_cast<uint32_t>(i + 1) : 0x3FFFFFFFu;
      if (j + i + 1 == kN) want = 0x3FFFFFFFu;
      EXPECT_EQ(Fwd(p, i), want) << j << " step " << i;
    }
    const int far[4] = {20, 60, 120, 240};
    for (int i = 0; i < 4; ++i) {
      if (j + far[i] + 1 >= kN) continue;
      EXPECT_EQ(Fwd(p, 15 + i), 0xC0000000u | static_cast<uint32_t>(far[i])) << j;
    }
    for (int i = 0; i < 15; ++i) {
      if (j - i - 1 < 0) continue;
      EXPECT_EQ(Back(p, i), 0x80000000u | static_cast<uint32_t>(i + 1)) << j << " back " << i;
    }
    if (j + 1 < kN) {
      EXPECT_EQ(At(p, kSriNext), 0x80000001u);
    }
    if (j > 0) {
      EXPECT_EQ(At(p, kSriPrevVideo), 0x80000001u);
    }
  }
}

TEST_F(VobuPointers, MissingFileFails) {
  Add(0, 1, 1, 0);
  A().OutVobuFileNo[0] = 2;  // no VTS_01_2.VOB
  EXPECT_EQ(UpdateVobuPointers(T(), A(), ui, 0), 1);
}

}  // namespace
}  // namespace vm
