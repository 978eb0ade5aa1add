// The PCI's highlight information against bytes placed by hand at the
// table's offsets, and the round trip of any table byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "dvd/pci_buttons.h"

namespace vm {
namespace {

constexpr int kPack = 2048;
constexpr int kHli = 0x8D;              // from the pack's start, worked by hand
constexpr int kButtons = kHli + 22 + 24;

TEST(PciButtons, FieldsAreReadFromTheirOffsetsAndWrittenBackThere) {
  std::vector<uint8_t> pack(kPack, 0);
  pack[kHli + 1] = 0x01;                               // status: new highlight
  pack[kHli + 2] = 0x00; pack[kHli + 5] = 0x10;        // start PTM 0x10
  pack[kHli + 14] = 0x10; pack[kHli + 15] = 0x00;      // one group
  pack[kHli + 17] = 2;                                 // two buttons
  pack[kHli + 20] = 1;                                 // forced select 1
  pack[kHli + 22] = 0xAB;                              // first colour entry
  // Button 2: colour group 1, x 100..300, auto action, y 200..260, up 1, down 1.
  uint8_t* b = pack.data() + kButtons + 18;
  const uint8_t entry[18] = {0x46, 0x41, 0x2C, 0x4C, 0x81, 0x04, 0x01, 0x01, 0, 0,
                             0x30, 0x05, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00};
  std::memcpy(b, entry, 18);

  PciHighlight h;
  ASSERT_TRUE(ReadPciHighlight(pack.data(), pack.size(), h));
  EXPECT_EQ(h.status, 1);
  EXPECT_EQ(h.startPtm, 0x10u);
  EXPECT_EQ(h.buttonCount, 2);
  EXPECT_EQ(h.forcedSelect, 1);
  EXPECT_EQ(h.colours[0], 0xAB000000u);
  const PciButton& btn = h.button[1];
  EXPECT_EQ(btn.colourGroup, 1);
  EXPECT_EQ(btn.xStart, 100);
  EXPECT_EQ(btn.xEnd, 300);
  EXPECT_EQ(btn.autoAction, 1);
  EXPECT_EQ(btn.yStart, 200);
  EXPECT_EQ(btn.yEnd, 260);
  EXPECT_EQ(btn.up, 1);
  EXPECT_EQ(btn.down, 1);
  EXPECT_EQ(DecodeVmCommand(btn.command).kind, VmKind::JumpVtsPtt);

  // A new chapter in the command and a moved button land at their bytes.
  h.button[1].command[3] = 0x04;
  h.button[1].xEnd = 301;
  std::vector<uint8_t> out = pack;
  ASSERT_TRUE(WritePciHighlight(h, out.data(), out.size()));
  EXPECT_EQ(out[kButtons + 18 + 13], 0x04);
  EXPECT_EQ(out[kButtons + 18 + 2], 0x2D);
  out[kButtons + 18 + 13] = 0x03;
  out[kButtons + 18 + 2] = 0x2C;
  EXPECT_EQ(out, pack);
}

TEST(PciButtons, AnyTableComesBackByteForByteAndNothingAroundItMoves) {
  std::mt19937 rng(36);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> pack(kPack);
    for (uint8_t& x : pack) x = static_cast<uint8_t>(rng());
    PciHighlight h;
    ASSERT_TRUE(ReadPciHighlight(pack.data(), pack.size(), h));
    std::vector<uint8_t> out(kPack, 0x5A);
    ASSERT_TRUE(WritePciHighlight(h, out.data(), out.size()));
    ASSERT_EQ(0, std::memcmp(out.data() + kHli, pack.data() + kHli, kHliBytes));
    for (int i = 0; i < kPack; ++i)
      if (i < kHli || i >= kHli + kHliBytes) {
        ASSERT_EQ(out[i], 0x5A) << i;
      }
  }
}

TEST(PciButtons, AShortPackIsRefused) {
  std::vector<uint8_t> pack(kHli + kHliBytes - 1, 0);
  PciHighlight h{};
  EXPECT_FALSE(ReadPciHighlight(pack.data(), pack.size(), h));
  EXPECT_FALSE(WritePciHighlight(h, pack.data(), pack.size()));
}

TEST(PciButtons, ButtonSlotsAreSharedOutBetweenGroups) {
  PciHighlight h{};
  struct Slot {
    int groups, count, group, button, slot;
  };
  const Slot kSlots[] = {
      {1, 5, 1, 1, 0},   {1, 5, 1, 5, 4},   {1, 5, 1, 6, -1},  {1, 36, 1, 36, 35},
      {2, 4, 2, 1, 18},  {2, 4, 2, 4, 21},  {3, 3, 3, 2, 25},  {3, 20, 2, 13, -1},
      {1, 40, 1, 37, -1}, {2, 4, 3, 1, -1}, {1, 3, 0, 1, -1},
  };
  for (const Slot& s : kSlots) {
    h.buttonMode = static_cast<uint16_t>(s.groups << 12);
    h.buttonCount = static_cast<uint8_t>(s.count);
    EXPECT_EQ(PciButtonSlot(h, s.group, s.button), s.slot)
        << s.groups << " groups, " << s.count << " buttons, " << s.group << "/" << s.button;
  }
}

}  // namespace
}  // namespace vm
