#include "dvd/pci_buttons.h"

#include <cstring>

#include "common/be.h"

namespace vm {
namespace {

constexpr uint8_t kButtonNumberMask = 0x3F;
constexpr uint8_t kHliStatusMask = 0x03;
constexpr int kButtonModeGroupsShift = 12;  // BTNGR_Ns: bits 13..12 of the mode
constexpr uint16_t kButtonModeGroupsMask = 0x3;

// Two 10-bit coordinates with a 2-bit field before each: aa xxxxxxxxxx rr yyyyyyyyyy.
void ReadPair(const uint8_t* p, uint8_t& head, uint16_t& first, uint16_t& second) {
  const uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  head = static_cast<uint8_t>(v >> 22);
  first = static_cast<uint16_t>((v >> 12) & 0x3FF);
  second = static_cast<uint16_t>(v & 0x3FF);
}

void WritePair(uint8_t* p, uint8_t head, uint16_t first, uint16_t second) {
  const uint32_t old = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  const uint32_t reserved = old & (0x3u << 10);
  const uint32_t v = (uint32_t{head & 0x3u} << 22) | (uint32_t{first & 0x3FFu} << 12) | reserved |
                     (second & 0x3FFu);
  p[0] = static_cast<uint8_t>(v >> 16);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v);
}

void WriteButtonNumber(uint8_t* p, uint8_t n) {
  *p = static_cast<uint8_t>((*p & ~kButtonNumberMask) | (n & kButtonNumberMask));
}

}  // namespace

bool ReadPciHighlight(const uint8_t* pack, size_t size, PciHighlight& out) {
  if (size < static_cast<size_t>(kHliInPack + kHliBytes)) return false;
  const uint8_t* h = pack + kHliInPack;
  std::memcpy(out.image, h, kHliBytes);
  out.status = h[kHliSs + 1] & kHliStatusMask;
  out.startPtm = ReadBe32(h + kHliStartPtm);
  out.endPtm = ReadBe32(h + kHliEndPtm);
  out.selectEndPtm = ReadBe32(h + kHliButtonSelEndPtm);
  out.buttonMode = ReadBe16(h + kHliButtonMode);
  out.buttonOffset = h[kHliButtonOffset];
  out.buttonCount = h[kHliButtonCount];
  out.numericButtons = h[kHliNumericButtons];
  out.forcedSelect = h[kHliForcedSelect];
  out.forcedAction = h[kHliForcedAction];
  for (int i = 0; i < kBtnColitBytes / 4; ++i) out.colours[i] = ReadBe32(h + kBtnColit + 4 * i);
  for (int i = 0; i < kBtnItButtons; ++i) {
    const uint8_t* b = h + kBtnIt + i * kBtnItEntryBytes;
    PciButton& btn = out.button[i];
    ReadPair(b + kBtnPosX, btn.colourGroup, btn.xStart, btn.xEnd);
    ReadPair(b + kBtnPosY, btn.autoAction, btn.yStart, btn.yEnd);
    btn.up = b[kBtnUp] & kButtonNumberMask;
    btn.down = b[kBtnDown] & kButtonNumberMask;
    btn.left = b[kBtnLeft] & kButtonNumberMask;
    btn.right = b[kBtnRight] & kButtonNumberMask;
    std::memcpy(btn.command, b + kBtnCommand, kVmCommandBytes);
  }
  return true;
}

bool WritePciHighlight(const PciHighlight& in, uint8_t* pack, size_t size) {
  if (size < static_cast<size_t>(kHliInPack + kHliBytes)) return false;
  uint8_t* h = pack + kHliInPack;
  std::memcpy(h, in.image, kHliBytes);
  h[kHliSs + 1] = static_cast<uint8_t>((h[kHliSs + 1] & ~kHliStatusMask) | (in.status & kHliStatusMask));
  WriteBe32(h + kHliStartPtm, in.startPtm);
  WriteBe32(h + kHliEndPtm, in.endPtm);
  WriteBe32(h + kHliButtonSelEndPtm, in.selectEndPtm);
  WriteBe16(h + kHliButtonMode, in.buttonMode);
  h[kHliButtonOffset] = in.buttonOffset;
  h[kHliButtonCount] = in.buttonCount;
  h[kHliNumericButtons] = in.numericButtons;
  h[kHliForcedSelect] = in.forcedSelect;
  h[kHliForcedAction] = in.forcedAction;
  for (int i = 0; i < kBtnColitBytes / 4; ++i) WriteBe32(h + kBtnColit + 4 * i, in.colours[i]);
  for (int i = 0; i < kBtnItButtons; ++i) {
    uint8_t* b = h + kBtnIt + i * kBtnItEntryBytes;
    const PciButton& btn = in.button[i];
    WritePair(b + kBtnPosX, btn.colourGroup, btn.xStart, btn.xEnd);
    WritePair(b + kBtnPosY, btn.autoAction, btn.yStart, btn.yEnd);
    WriteButtonNumber(b + kBtnUp, btn.up);
    WriteButtonNumber(b + kBtnDown, btn.down);
    WriteButtonNumber(b + kBtnLeft, btn.left);
    WriteButtonNumber(b + kBtnRight, btn.right);
    std::memcpy(b + kBtnCommand, btn.command, kVmCommandBytes);
  }
  return true;
}

int PciButtonGroups(const PciHighlight& h) {
  const int g = (h.buttonMode >> kButtonModeGroupsShift) & kButtonModeGroupsMask;
  return g == 0 ? 1 : g;
}

int PciButtonSlot(const PciHighlight& h, int g, int n) {
  const int groups = PciButtonGroups(h);
  const int perGroup = kBtnItButtons / groups;
  const int count = h.buttonCount < perGroup ? h.buttonCount : perGroup;
  if (g < 1 || g > groups || n < 1 || n > count) return -1;
  return (g - 1) * perGroup + (n - 1);
}

void ForEachPackButton(uint8_t* pack, size_t size, const PackButtonVisitor& each) {
  PciHighlight h;
  if (!ReadPciHighlight(pack, size, h) || h.status == 0) return;
  const int groups = PciButtonGroups(h);
  for (int g = 1; g <= groups; ++g) {
    for (int n = 1;; ++n) {
      const int slot = PciButtonSlot(h, g, n);
      if (slot < 0) break;
      each(groups > 1 ? g : 0, n, pack + kHliInPack + kBtnIt + slot * kBtnItEntryBytes + kBtnCommand);
    }
  }
}

}  // namespace vm
