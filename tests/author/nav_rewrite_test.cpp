// The navigation packs of cut and renumbered cells, and the whole-file copy
// the rest of the disc goes through.

#include "author/nav_rewrite.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "author/disc_copy.h"
#include "dvd/nav_pack.h"
#include "common/be.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using namespace dvd;  // the navigation pack's offsets

using Pack = std::vector<uint8_t>;

Pack NavPack(uint8_t cellId, const uint8_t eltm[4]) {
  Pack p(kPackBytes, 0);
  const uint8_t start[] = {0, 0, 1, 0xBA};
  std::memcpy(p.data(), start, 4);
  const uint8_t nav[] = {0, 0, 1, 0xBB};
  std::memcpy(p.data() + kPackStreamIdOffset, nav, 4);
  p[kNavCellIdn] = cellId;
  std::memcpy(p.data() + kNavPciEltm, eltm, 4);
  std::memcpy(p.data() + kNavDsiCEltm, eltm, 4);
  for (int i = 0; i < 19; ++i) {
    WriteBe32(p.data() + kSriForward + 4 * i, 0x3FFFFFFF);
    WriteBe32(p.data() + kSriBackward + 4 * i, 0x3FFFFFFF);
  }
  return p;
}

struct EltmCase {
  const char* what;
  uint8_t before[4], offset[4], after[4];
};

TEST(NavRewrite, ElapsedTimesCountFromTheCutAtTheTitlesRate) {
  const EltmCase cases[] = {
      {"NTSC", {0x00, 0x00, 0x05, 0xD0}, {0x00, 0x00, 0x02, 0xC0}, {0x00, 0x00, 0x03, 0xD0}},
      {"NTSC borrow from the minute", {0x00, 0x01, 0x00, 0xC5}, {0x00, 0x00, 0x30, 0xD0},
       {0x00, 0x00, 0x29, 0xE5}},
      {"PAL counts 25ths", {0x00, 0x00, 0x02, 0x45}, {0x00, 0x00, 0x01, 0x60},
       {0x00, 0x00, 0x00, 0x50}},
      {"no offset: the times stay", {0x01, 0x02, 0x03, 0xC4}, {0, 0, 0, 0},
       {0x01, 0x02, 0x03, 0xC4}},
  };
  for (const EltmCase& c : cases) {
    SCOPED_TRACE(c.what);
    Pack p = NavPack(3, c.before);
    NavEdit e{1000, 1999, 7, {}, false};
    std::memcpy(e.eltmOffset, c.offset, 4);
    EditNavPack(p.data(), 1200, e);
    EXPECT_EQ(p[kNavCellIdn], 7);
    EXPECT_EQ(0, std::memcmp(p.data() + kNavPciEltm, c.after, 4));
    EXPECT_EQ(0, std::memcmp(p.data() + kNavDsiCEltm, c.after, 4));
  }
}

struct PointerCase {
  int field;       // pack offset
  uint32_t before;
  uint32_t after;  // with the cell cut to 1000..1999, the VOBU at 1900
};

TEST(NavRewrite, SearchPointersStopAtTheNewCellBoundary) {
  const PointerCase cases[] = {
      {kSriNext, 0x80000000u | 50, 0x80000000u | 50},                // inside: kept
      {kSriNext, 0x80000000u | 100, 0x3FFFFFFF},                     // 2000: the next cell
      {kSriNextVideo, 0x80000000u | 200, 0xBFFFFFFF},
      {kSriForward + 4 * 18, 0xC0000000u | 99, 0xC0000000u | 99},    // last sector of the cell
      {kSriForward, 0x80000000u | 150, 0x3FFFFFFF},
      {kSriPrev, 0x80000000u | 20, 0x80000000u | 20},
      {kSriBackward + 4 * 3, 0x80000000u | 900, 0x80000000u | 900},  // 1000: first sector
      {kSriBackward + 4 * 18, 0x80000000u | 950, 0x3FFFFFFF},
      {kSriPrevVideo, 0x80000000u | 901, 0xBFFFFFFF},
      {kSriPrev, 0x3FFFFFFF, 0x3FFFFFFF},                            // none stays none
  };
  const uint8_t zero[4] = {0, 0, 0, 0xC0};
  for (const PointerCase& c : cases) {
    SCOPED_TRACE(c.field);
    for (bool clip : {true, false}) {
      Pack p = NavPack(1, zero);
      WriteBe32(p.data() + c.field, c.before);
      EditNavPack(p.data(), 1900, NavEdit{1000, 1999, 1, {}, clip});
      EXPECT_EQ(ReadBe32(p.data() + c.field), clip ? c.after : c.before);
    }
  }
}

TEST(NavRewrite, OnlyTheEditedCellsPacksAreWrittenAcrossTheFiles) {
  testing::TempDir dir;
  const uint8_t eltm[4] = {0, 0, 1, 0xC0};
  // Two files: sectors 0..2 and 3..5; navigation packs at 0, 2 and 4.
  Pack video(kPackBytes, 0xE0);
  std::vector<Pack> sectors = {NavPack(1, eltm), video, NavPack(1, eltm),
                               video, NavPack(2, eltm), video};
  TitleVobFiles f{2, {}, {3, 3}};
  for (int i = 0; i < 2; ++i) {
    std::string bytes;
    for (int s = 0; s < 3; ++s)
      bytes.append(reinterpret_cast<const char*>(sectors[i * 3 + s].data()), kPackBytes);
    const std::string path = dir.path() + "v" + std::to_string(i);
    ASSERT_TRUE(testing::WriteFile(path, bytes));
    f.fd[i] = open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(f.fd[i], 0);
  }
  const uint32_t vobus[] = {0, 2, 4};
  const NavEdit edits[] = {{2, 3, 5, {}, false}, {4, 5, 6, {}, false}};
  int rewritten = 0;
  EXPECT_EQ(RewriteNavPacks(f, vobus, 3, edits, 2, rewritten), kNavRewriteDone);
  EXPECT_EQ(rewritten, 2);
  uint8_t tc[4];
  ASSERT_TRUE(ReadCellElapsed(f, 2, tc));
  EXPECT_EQ(0, std::memcmp(tc, eltm, 4));
  EXPECT_FALSE(ReadCellElapsed(f, 1, tc));   // a video pack
  EXPECT_FALSE(ReadCellElapsed(f, 6, tc));   // past the last file
  uint8_t pack[kPackBytes];
  const int expectId[] = {1, 5, 6};
  for (int k = 0; k < 3; ++k) {
    const int s = static_cast<int>(vobus[k]);
    ASSERT_EQ(pread(f.fd[s / 3], pack, kPackBytes, (s % 3) * kPackBytes), kPackBytes);
    EXPECT_EQ(pack[kNavCellIdn], expectId[k]) << s;
  }
  ASSERT_EQ(pread(f.fd[0], pack, kPackBytes, kPackBytes), kPackBytes);
  EXPECT_EQ(0, std::memcmp(pack, video.data(), kPackBytes));
  // A VOBU start that is no navigation pack stops the rewrite.
  const uint32_t wrong[] = {1};
  const NavEdit cover[] = {{0, 1, 5, {}, false}};
  EXPECT_EQ(RewriteNavPacks(f, wrong, 1, cover, 1, rewritten), kNavRewriteNotNavPack);
  const uint32_t beyond[] = {2, 7};
  const NavEdit far[] = {{2, 9, 5, {}, false}};
  EXPECT_EQ(RewriteNavPacks(f, beyond, 2, far, 1, rewritten), kNavRewriteIoError);
  for (int i = 0; i < 2; ++i) close(f.fd[i]);
}

TEST(DiscCopy, SameBytesEveryWayAndNeverThroughALink) {
  testing::TempDir dir;
  std::string data(3 * 1024 * 1024 + 77, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + i / 4096);
  const std::string src = dir.path() + "VTS_02_1.VOB";
  ASSERT_TRUE(testing::WriteFile(src, data));
  for (bool buffered : {false, true}) {
    const std::string dst = dir.path() + (buffered ? "b.VOB" : "k.VOB");
    CopyWay way{};
    ASSERT_TRUE(CopyWholeFile(src.c_str(), dst.c_str(), "", way, buffered));
    EXPECT_EQ(testing::ReadFile(dst), data);
    if (buffered) {
      EXPECT_EQ(way, CopyWay::Buffered);
    }
  }
  // A link at the target is refused and what it points at is untouched.
  const std::string victim = dir.path() + "victim";
  ASSERT_TRUE(testing::WriteFile(victim, "keep"));
  const std::string link = dir.path() + "VTS_02_2.VOB";
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
  CopyWay way{};
  EXPECT_FALSE(CopyWholeFile(src.c_str(), link.c_str(), "", way));
  EXPECT_EQ(testing::ReadFile(victim), "keep");
  EXPECT_FALSE(CopyWholeFile((dir.path() + "missing").c_str(), (dir.path() + "m").c_str(), "", way));
}

}  // namespace
}  // namespace vm
