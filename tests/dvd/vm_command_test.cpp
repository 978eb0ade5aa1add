// The command codec against hand-assembled commands, both ways, and the
// round trip of any eight bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "dvd/vm_command.h"

namespace vm {
namespace {

struct Case {
  const char* what;
  uint8_t bytes[8];
  VmGroup group;
  VmKind kind;
  // Operands, by kind: a = title/pgcn/program/cell/menu, b = chapter/vts/rsm.
  int a, b;
  int button;
  uint8_t condOp;
  bool pure;  // every bit belongs to a decoded field: rest must be empty
};

int FirstOperand(const VmCommand& c) {
  switch (c.kind) {
    case VmKind::JumpTT:
    case VmKind::JumpVtsTT:
    case VmKind::JumpVtsPtt:
    case VmKind::JumpSsVtsm:
      return c.title;
    case VmKind::JumpSsVmgmPgc:
    case VmKind::CallSsVmgmPgc:
    case VmKind::LinkPgcn:
      return c.pgcn;
    case VmKind::LinkPgn:
      return c.program;
    case VmKind::LinkCn:
      return c.cell;
    case VmKind::LinkPttn:
      return c.chapter;
    case VmKind::JumpSsVmgmMenu:
    case VmKind::CallSsVmgmMenu:
    case VmKind::CallSsVtsm:
      return c.menu;
    case VmKind::LinkSub:
      return static_cast<int>(c.linkSub);
    default:
      return 0;
  }
}

int SecondOperand(const VmCommand& c) {
  switch (c.kind) {
    case VmKind::JumpVtsPtt:
      return c.chapter;
    case VmKind::JumpSsVtsm:
      return c.vts;
    case VmKind::CallSsFp:
    case VmKind::CallSsVmgmMenu:
    case VmKind::CallSsVtsm:
    case VmKind::CallSsVmgmPgc:
      return c.rsmCell;
    default:
      return 0;
  }
}

const Case kCases[] = {
    {"Exit", {0x30, 0x01, 0, 0, 0, 0, 0, 0}, VmGroup::LinkJump, VmKind::Exit, 0, 0, 0, 0, true},
    {"JumpTT 5", {0x30, 0x02, 0, 0, 0, 0x05, 0, 0}, VmGroup::LinkJump, VmKind::JumpTT, 5, 0, 0, 0, true},
    {"JumpVTS_TT 2", {0x30, 0x03, 0, 0, 0, 0x02, 0, 0}, VmGroup::LinkJump, VmKind::JumpVtsTT, 2, 0, 0, 0, true},
    {"JumpVTS_PTT 1:3", {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0}, VmGroup::LinkJump, VmKind::JumpVtsPtt, 1, 3, 0, 0, true},
    {"JumpVTS_PTT 99:999 (ten-bit chapter)", {0x30, 0x05, 0x03, 0xE7, 0, 0x63, 0, 0}, VmGroup::LinkJump, VmKind::JumpVtsPtt, 99, 999, 0, 0, true},
    {"JumpSS FP", {0x30, 0x06, 0, 0, 0, 0x00, 0, 0}, VmGroup::LinkJump, VmKind::JumpSsFp, 0, 0, 0, 0, true},
    {"JumpSS VMGM menu 2", {0x30, 0x06, 0, 0, 0, 0x42, 0, 0}, VmGroup::LinkJump, VmKind::JumpSsVmgmMenu, 2, 0, 0, 0, true},
    {"JumpSS VTSM vts 2 title 1 menu 3", {0x30, 0x06, 0, 0x01, 0x02, 0x83, 0, 0}, VmGroup::LinkJump, VmKind::JumpSsVtsm, 1, 2, 0, 0, true},
    {"JumpSS VMGM pgc 300", {0x30, 0x06, 0x01, 0x2C, 0, 0xC0, 0, 0}, VmGroup::LinkJump, VmKind::JumpSsVmgmPgc, 300, 0, 0, 0, true},
    {"CallSS FP rsm 4", {0x30, 0x08, 0, 0, 0x04, 0x00, 0, 0}, VmGroup::LinkJump, VmKind::CallSsFp, 0, 4, 0, 0, true},
    {"CallSS VMGM menu 3 rsm 1", {0x30, 0x08, 0, 0, 0x01, 0x43, 0, 0}, VmGroup::LinkJump, VmKind::CallSsVmgmMenu, 3, 1, 0, 0, true},
    {"CallSS VTSM menu 7 rsm 2", {0x30, 0x08, 0, 0, 0x02, 0x87, 0, 0}, VmGroup::LinkJump, VmKind::CallSsVtsm, 7, 2, 0, 0, true},
    {"CallSS VMGM pgc 9 rsm 1", {0x30, 0x08, 0, 0x09, 0x01, 0xC0, 0, 0}, VmGroup::LinkJump, VmKind::CallSsVmgmPgc, 9, 1, 0, 0, true},
    {"LinkPGCN 3", {0x20, 0x04, 0, 0, 0, 0, 0, 0x03}, VmGroup::LinkJump, VmKind::LinkPgcn, 3, 0, 0, 0, true},
    {"LinkPTTN 2 button 1", {0x20, 0x05, 0, 0, 0, 0, 0x04, 0x02}, VmGroup::LinkJump, VmKind::LinkPttn, 2, 0, 1, 0, true},
    {"LinkPTTN 1000", {0x20, 0x05, 0, 0, 0, 0, 0x03, 0xE8}, VmGroup::LinkJump, VmKind::LinkPttn, 1000, 0, 0, 0, true},
    {"LinkPGN 2", {0x20, 0x06, 0, 0, 0, 0, 0, 0x02}, VmGroup::LinkJump, VmKind::LinkPgn, 2, 0, 0, 0, true},
    {"LinkCN 200 button 36", {0x20, 0x07, 0, 0, 0, 0, 0x90, 0xC8}, VmGroup::LinkJump, VmKind::LinkCn, 200, 0, 36, 0, true},
    {"RSM", {0x20, 0x01, 0, 0, 0, 0, 0, 0x10}, VmGroup::LinkJump, VmKind::LinkSub, 0x10, 0, 0, 0, true},
    {"LinkNextPG", {0x20, 0x01, 0, 0, 0, 0, 0, 0x06}, VmGroup::LinkJump, VmKind::LinkSub, 0x06, 0, 0, 0, true},
    {"LinkTailPGC button 2", {0x20, 0x01, 0, 0, 0, 0, 0x08, 0x0D}, VmGroup::LinkJump, VmKind::LinkSub, 0x0D, 0, 2, 0, true},
    {"if (g1 == 3) LinkPTTN 2", {0x20, 0xA5, 0, 0x01, 0, 0x03, 0, 0x02}, VmGroup::LinkJump, VmKind::LinkPttn, 2, 0, 0, 2, true},
    {"if (g1 >= s7) LinkPGN 4", {0x20, 0x46, 0, 0x01, 0, 0x87, 0, 0x04}, VmGroup::LinkJump, VmKind::LinkPgn, 4, 0, 0, 4, true},
    {"if (g2 != g3) JumpVTS_PTT 1:3", {0x30, 0x35, 0, 0x03, 0, 0x01, 0x02, 0x03}, VmGroup::LinkJump, VmKind::JumpVtsPtt, 1, 3, 0, 3, true},
    {"g2 = 5; LinkPGCN 3", {0x71, 0x04, 0, 0x02, 0, 0x05, 0, 0x03}, VmGroup::Set, VmKind::LinkPgcn, 3, 0, 0, 0, false},
    {"g0 = g1; LinkPTTN 4", {0x61, 0x05, 0, 0x00, 0, 0x01, 0, 0x04}, VmGroup::Set, VmKind::LinkPttn, 4, 0, 0, 0, false},
    {"if (g3 == 7) g3 = 0 (no link)", {0x61, 0xA0, 0x03, 0x03, 0, 0, 0, 0x07}, VmGroup::Set, VmKind::None, 0, 0, 0, 2, false},
    {"SetHL_BTNN 1; LinkPGN 2", {0x56, 0x06, 0, 0, 0x04, 0x00, 0, 0x02}, VmGroup::SystemSet, VmKind::LinkPgn, 2, 0, 0, 0, false},
    {"SetSTN audio 1 (no link)", {0x51, 0x00, 0, 0x81, 0, 0, 0, 0}, VmGroup::SystemSet, VmKind::None, 0, 0, 0, 0, false},
    {"g1 = 4; LinkTopC", {0x91, 0x01, 0, 0x04, 0, 0, 0, 0x01}, VmGroup::SetCmpLinkSub, VmKind::LinkSub, 0x01, 0, 0, 0, false},
    {"if (..) { g1 += 1; LinkNextPGC }", {0xA3, 0x21, 0, 0x01, 0x02, 0x03, 0, 0x0A}, VmGroup::CmpSetLinkSub, VmKind::LinkSub, 0x0A, 0, 0, 2, false},
    {"if (..) g1 = 1; RSM", {0xC1, 0x21, 0, 0x01, 0x02, 0x03, 0, 0x10}, VmGroup::CmpSetThenLinkSub, VmKind::LinkSub, 0x10, 0, 0, 2, false},
    {"NOP", {0, 0, 0, 0, 0, 0, 0, 0}, VmGroup::Special, VmKind::None, 0, 0, 0, 0, true},
    {"Goto 5", {0x00, 0x01, 0, 0, 0, 0, 0, 0x05}, VmGroup::Special, VmKind::None, 0, 0, 0, 0, false},
    {"an unknown link op stays as bytes", {0x20, 0x02, 0, 0, 0, 0, 0x12, 0x34}, VmGroup::LinkJump, VmKind::None, 0, 0, 0, 0, false},
    {"an unknown jump op stays as bytes", {0x30, 0x04, 0, 0, 0, 0x07, 0, 0}, VmGroup::LinkJump, VmKind::None, 0, 0, 0, 0, false},
};

TEST(VmCommand, DecodesHandAssembledCommandsAndEncodesThemFromTheirFields) {
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.what);
    const VmCommand c = DecodeVmCommand(k.bytes);
    EXPECT_EQ(c.group, k.group);
    EXPECT_EQ(c.kind, k.kind);
    EXPECT_EQ(FirstOperand(c), k.a);
    EXPECT_EQ(SecondOperand(c), k.b);
    EXPECT_EQ(c.button, k.button);
    EXPECT_EQ(c.cond.op, k.condOp);
    uint8_t again[8];
    EncodeVmCommand(c, again);
    EXPECT_EQ(0, std::memcmp(again, k.bytes, 8));
    if (k.pure) {
      EXPECT_EQ(c.rest, 0u);
      // Built from the fields alone, with nothing kept from the source.
      VmCommand fresh = c;
      fresh.rest = 0;
      uint8_t built[8];
      EncodeVmCommand(fresh, built);
      EXPECT_EQ(0, std::memcmp(built, k.bytes, 8));
    }
  }
}

TEST(VmCommand, ConditionOperandsAreReadWhereEachGroupKeepsThem) {
  struct Cond {
    const char* what;
    uint8_t bytes[8];
    uint8_t left;
    bool immediate;
    uint16_t right;
  };
  const Cond kConds[] = {
      {"link: byte 3 against a value in bytes 4-5", {0x20, 0xA5, 0, 0x01, 0x12, 0x34, 0, 0x02}, 0x01, true, 0x1234},
      {"link: byte 3 against the register in byte 5", {0x20, 0x25, 0, 0x01, 0, 0x87, 0, 0x02}, 0x01, false, 0x87},
      {"jump: registers in bytes 6 and 7", {0x30, 0x35, 0, 0x03, 0, 0x01, 0x02, 0x03}, 0x02, false, 0x03},
      {"set: byte 2 against a value in bytes 6-7", {0x71, 0xA0, 0x05, 0x03, 0, 0x01, 0x00, 0x09}, 0x05, true, 0x0009},
      {"set, compare, link sub: register in byte 1", {0x91, 0xA1, 0, 0x04, 0x00, 0x08, 0, 0x01}, 0x01, true, 0x0008},
  };
  for (const Cond& k : kConds) {
    SCOPED_TRACE(k.what);
    const VmCommand c = DecodeVmCommand(k.bytes);
    EXPECT_EQ(c.cond.left, k.left);
    EXPECT_EQ(c.cond.immediate, k.immediate);
    EXPECT_EQ(c.cond.right, k.right);
  }
}

TEST(VmCommand, ChangingATargetRewritesOnlyItsField) {
  // A conditional LinkPTTN with a button: the new chapter must not spill
  // into the button bits or the comparison.
  const uint8_t src[8] = {0x20, 0xA5, 0, 0x01, 0, 0x03, 0x0C, 0x02};
  VmCommand c = DecodeVmCommand(src);
  c.chapter = 1023;
  uint8_t out[8];
  EncodeVmCommand(c, out);
  const uint8_t want[8] = {0x20, 0xA5, 0, 0x01, 0, 0x03, 0x0F, 0xFF};
  EXPECT_EQ(0, std::memcmp(out, want, 8));
  const VmCommand back = DecodeVmCommand(out);
  EXPECT_EQ(back.button, 3);
  EXPECT_EQ(back.cond.right, 3);

  const uint8_t jump[8] = {0x30, 0x05, 0, 0x03, 0, 0x01, 0, 0};
  c = DecodeVmCommand(jump);
  c.chapter = 300;
  EncodeVmCommand(c, out);
  const uint8_t wantJump[8] = {0x30, 0x05, 0x01, 0x2C, 0, 0x01, 0, 0};
  EXPECT_EQ(0, std::memcmp(out, wantJump, 8));
}

TEST(VmCommand, AnyEightBytesComeBackUnchanged) {
  std::mt19937_64 rng(27);
  for (int i = 0; i < 400000; ++i) {
    uint64_t w = rng();
    // Half of them with a sparse low part, as real commands have.
    if (i & 1) w &= 0xFFFF00FF0000FFFFull;
    uint8_t b[8], out[8];
    for (int j = 0; j < 8; ++j) b[j] = static_cast<uint8_t>(w >> (56 - 8 * j));
    EncodeVmCommand(DecodeVmCommand(b), out);
    ASSERT_EQ(0, std::memcmp(b, out, 8)) << std::hex << w;
  }
}

TEST(VmCommand, ReadingTheChapterRegisterIsSeen) {
  struct Reads {
    const char* what;
    uint8_t bytes[8];
    bool reads;
  };
  const Reads kReads[] = {
      {"g1 = s7", {0x61, 0x00, 0, 0x01, 0, 0x87, 0, 0}, true},
      {"g1 = s6", {0x61, 0x00, 0, 0x01, 0, 0x86, 0, 0}, false},
      {"g1 = 0x87 (a value)", {0x71, 0x00, 0, 0x01, 0, 0x87, 0, 0}, false},
      {"if (g1 >= s7) LinkPGN 4", {0x20, 0x46, 0, 0x01, 0, 0x87, 0, 0x04}, true},
      {"if (s7 == 3) LinkPTTN 2", {0x20, 0xA5, 0, 0x87, 0, 0x03, 0, 0x02}, true},
      {"g2 = s7; LinkTopC", {0x81, 0x02, 0, 0x87, 0, 0, 0, 0x01}, true},
      {"JumpVTS_PTT 1:7", {0x30, 0x05, 0, 0x07, 0, 0x01, 0, 0}, false},
  };
  for (const Reads& k : kReads) EXPECT_EQ(VmReadsSystemRegister(k.bytes, kVmSprmChapter), k.reads) << k.what;
}

}  // namespace
}  // namespace vm
