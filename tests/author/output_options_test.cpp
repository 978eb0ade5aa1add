// The output options both front ends share: the region and stream lists
// as typed, and their effect on the tables, applied again after a change.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "author/output_options.h"
#include "title/tables.h"

namespace vm {
namespace {

TEST(OutputOptions, RegionAndStreamLists) {
  struct Region {
    const char* text;
    bool ok;
    int32_t mask;
  } regions[] = {
      {"all", true, 0x00},      {" all ", true, 0x00}, {"1", true, 0xFE},
      {"2,5", true, 0xED},      {"1,2,3,4,5,6,7,8", true, 0x00}, {"8, 1", true, 0x7E},
      {"0", false, 0},          {"9", false, 0},      {"1,,2", false, 0},
      {"", false, 0},           {"none", false, 0},   {"all,1", false, 0},
      {"1,", false, 0},         {"001", false, 0},
  };
  for (const Region& r : regions) {
    int32_t mask = -7;
    EXPECT_EQ(ParseRegionList(r.text, mask), r.ok) << r.text;
    EXPECT_EQ(mask, r.ok ? r.mask : -7) << r.text;
  }

  struct Streams {
    const char* text;
    int limit;
    bool ok;
    uint32_t bits;
    const char* back;  // formatted again
  } streams[] = {
      {"", 8, true, 0, ""},          {"0", 8, true, 0x01, "0"},
      {"7,1", 8, true, 0x82, "1,7"}, {" 1 , 2 ", 8, true, 0x06, "1,2"},
      {"31", 32, true, 0x80000000u, "31"},
      {"8", 8, false, 0, ""},        {"32", 32, false, 0, ""},  {"1.5", 8, false, 0, ""},
      {"-1", 8, false, 0, ""},       {"1,x", 8, false, 0, ""},  {"123", 32, false, 0, ""},
  };
  for (const Streams& c : streams) {
    uint32_t bits = 0xDEAD;
    EXPECT_EQ(ParseStreamList(c.text, c.limit, bits), c.ok) << c.text;
    EXPECT_EQ(bits, c.ok ? c.bits : 0xDEADu) << c.text;
    if (!c.ok) continue;
    char back[96];
    FormatStreamList(bits, back, sizeof back);
    EXPECT_STREQ(back, c.back);
  }
  // Every stream of 32 fits the text the dialogs give it.
  char all[96];
  FormatStreamList(0xFFFFFFFFu, all, sizeof all);
  uint32_t again = 0;
  EXPECT_TRUE(ParseStreamList(all, 32, again));
  EXPECT_EQ(again, 0xFFFFFFFFu);
}

// A stream left out at one creation is used again once the options no
// longer leave it out: applying the options sets every stream's use.
TEST(OutputOptions, AppliedAgainAfterAChangeLeavesNothingBehind) {
  auto t = std::make_unique<TitleTables>();
  std::memset(t->DC_A_Use[0], 1, sizeof t->DC_A_Use[0]);
  std::memset(t->DC_C_Use[0], 1, sizeof t->DC_C_Use[0]);
  OutputOptions o;
  o.regionMask = 0xED;
  o.dropAudio = 0x02;
  o.dropSubpicture = 0x80000001u;
  o.wholeDisc = 1;
  ApplyOutputOptions(*t, o);
  EXPECT_EQ(t->RegionMask, 0xED);
  EXPECT_EQ(t->WholeDisc, 1);
  EXPECT_EQ(t->DC_A_Use[0][1], 0);
  EXPECT_EQ(t->DC_A_Use[0][0], 1);
  EXPECT_EQ(t->DC_C_Use[0][0], 0);
  EXPECT_EQ(t->DC_C_Use[0][31], 0);
  EXPECT_EQ(t->DC_C_Use[0][30], 1);
  ApplyOutputOptions(*t, OutputOptions{});
  EXPECT_EQ(t->RegionMask, kRegionMaskOfSource);
  EXPECT_EQ(t->WholeDisc, 0);
  for (int n = 0; n < kAudioStreamSlots; ++n) EXPECT_EQ(t->DC_A_Use[0][n], 1) << n;
  for (int n = 0; n < kSubpicStreamSlots; ++n) EXPECT_EQ(t->DC_C_Use[0][n], 1) << n;
}

}  // namespace
}  // namespace vm
