#include <gtest/gtest.h>

#include <cstring>

#include "common/be.h"
#include "common/path.h"
#include "common/scr.h"
#include "common/timecode.h"

namespace vm {
namespace {

TEST(BigEndian, ReadsAndWritesHandWorkedBytes) {
  uint8_t b[6] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  EXPECT_EQ(ReadBe16(b), 0x1234);
  EXPECT_EQ(ReadBe32(b + 2), 0x56789ABCu);
  WriteBe32(b, 0xDEADBEEF);
  WriteBe16(b + 4, 0xFFFF0102);  // only the low 16 bits land
  const uint8_t want[6] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02};
  EXPECT_EQ(0, memcmp(b, want, 6));
  EXPECT_EQ(ReadLe32(want), 0xEFBEADDEu);
}

TEST(TimeCode, ToFramesIgnoresHourTensAndRateBits) {
  // 01:23:45 frame 29 at 30 fps (0xC0 | 0x29).
  const uint8_t tc[4] = {0x01, 0x23, 0x45, 0xE9};
  EXPECT_EQ(TimeCodeToFrames(tc), 108000 + 23 * 1800 + 45 * 30 + 29);
  // The tens digit of the hours does not count; 0x40 rate bits neither.
  const uint8_t tens[4] = {0x12, 0x00, 0x00, 0x45};
  EXPECT_EQ(TimeCodeToFrames(tens), 2 * 108000 + 5);
}

TEST(TimeCode, FromFramesWritesPlainHoursAndBcd) {
  uint8_t tc[4];
  FramesToTimeCode(108000 * 2 + 1800 * 59 + 30 * 7 + 12, tc);
  const uint8_t want[4] = {0x02, 0x59, 0x07, 0xD2};
  EXPECT_EQ(0, memcmp(tc, want, 4));
  FramesToTimeCode(0, tc);
  const uint8_t zero[4] = {0, 0, 0, 0xC0};
  EXPECT_EQ(0, memcmp(tc, zero, 4));
  // Hours above 9 stay a plain number (not BCD).
  FramesToTimeCode(108000 * 12, tc);
  EXPECT_EQ(tc[0], 12);
}

// A 25 frames/s cell time taken apart as 30ths and back: a cell from 5 s 10
// frames to 6 s 0 frames is 15 frames (0.6 s), not the 20 that 30ths give.
TEST(TimeCode, TwentyFivePerSecondDifferencesKeepTheirRate) {
  const uint8_t from[4] = {0x00, 0x00, 0x05, 0x50}, to[4] = {0x00, 0x00, 0x06, 0x40};
  EXPECT_EQ(FramesAt25(TimeCodeToFrames(to)) - FramesAt25(TimeCodeToFrames(from)), 15);
  uint8_t tc[4];
  Frames25ToTimeCode(15, tc);
  EXPECT_EQ(0, std::memcmp(tc, "\x00\x00\x00\x55", 4));
  Frames25ToTimeCode(25 * 3661 + 24, tc);  // 1 h 1 min 1 s 24 frames
  EXPECT_EQ(0, std::memcmp(tc, "\x01\x01\x01\x64", 4));
}

TEST(Scr, HandWorkedPackHeader) {
  // SCR base 0x1_2345_6789 (bit 32 set) and extension 0x155, laid out by hand:
  // b4 = 01 110 1 00 -> bits 32..30 = 110? build from fields instead:
  // base bits: 32..30 = 0b100, 29..28 = 0b10, 27..20 = 0x34, 19..15 = 0b01010,
  // 14..13 = 0b11, 12..5 = 0x3C, 4..0 = 0b01001.
  uint8_t pack[16] = {0x00, 0x00, 0x01, 0xBA};
  pack[4] = 0x40 | (0b100 << 3) | 0x04 | 0b10;
  pack[5] = 0x34;
  pack[6] = (0b01010 << 3) | 0x04 | 0b11;
  pack[7] = 0x3C;
  pack[8] = (0b01001 << 3) | 0x04 | 0b10;  // ext bits 8..7 = 10
  pack[9] = (0x55 << 1) | 1;               // ext bits 6..0 = 0x55
  const uint64_t base = (uint64_t{0b100} << 30) | (0b10u << 28) | (0x34u << 20) |
                        (0b01010u << 15) | (0b11u << 13) | (0x3Cu << 5) | 0b01001u;
  EXPECT_EQ(PackScr(pack), static_cast<uint32_t>(base));  // bit 32 dropped
  EXPECT_EQ(PackScrExt(pack), 0x155u);

  uint8_t again[16] = {};
  WritePackScr(again, base, 0x155);
  EXPECT_EQ(0, memcmp(again + 4, pack + 4, 6));
}

TEST(Path, TrailingSeparatorAndLimits) {
  Path p;
  ASSERT_TRUE(p.Set(""));
  ASSERT_TRUE(AddTrailingSeparator(p));
  EXPECT_STREQ(p.c_str(), "/");
  ASSERT_TRUE(p.Set("/a/b"));
  ASSERT_TRUE(AddTrailingSeparator(p));
  ASSERT_TRUE(AddTrailingSeparator(p));
  EXPECT_STREQ(p.c_str(), "/a/b/");

  std::string longest(259, 'x');
  EXPECT_TRUE(p.Set(longest.c_str()));
  EXPECT_FALSE(AddTrailingSeparator(p));  // 260 characters do not fit
  EXPECT_EQ(p.size(), 259u);
  EXPECT_FALSE(p.Set(std::string(260, 'y').c_str()));
  EXPECT_EQ(p.size(), 259u);  // a refused text leaves the old one

  EXPECT_TRUE(IsFullPath("/home/user/VIDEO_TS1"));
  EXPECT_FALSE(IsFullPath("VIDEO_TS1"));
  EXPECT_FALSE(IsFullPath("C:\\VIDEO_TS1"));
}

TEST(Path, FolderAndExtension) {
  Path f;
  FolderOf("/a/b/VTS_01_1.VOB", f);
  EXPECT_STREQ(f.c_str(), "/a/b/");
  FolderOf("name", f);
  EXPECT_STREQ(f.c_str(), "");
  EXPECT_STREQ(ExtensionOf("/x.y/VTS_01_1.vob"), ".vob");
  EXPECT_STREQ(ExtensionOf("/x.y/README"), "");
  EXPECT_TRUE(EqualsNoCase(".VOB", ".vob"));
}

}  // namespace
}  // namespace vm
