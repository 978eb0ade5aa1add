// The highlight information of a navigation pack's PCI: the general part
// (HLI_GI), the button colour table (BTN_COLIT) and the 36 button entries
// (BTN_IT) of 18 bytes, each ending in its 8-byte command. Read from and
// written over a 2048-byte pack; the bytes of the table that no field here
// names (reserved bits) are kept from the pack that was read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "dvd/nav_pack.h"
#include "dvd/vm_command.h"

namespace vm {

// The highlight information's place in the pack.
constexpr int kHliInPack = dvd::kNavHli;

// HLI_GI, from the start of the highlight information.
constexpr int kHliSs = 0;                 // 2 bytes, low two bits: status
constexpr int kHliStartPtm = 2;
constexpr int kHliEndPtm = 6;
constexpr int kHliButtonSelEndPtm = 10;
constexpr int kHliButtonMode = 14;        // 2 bytes: groups and their display types
constexpr int kHliButtonOffset = 16;      // BTN_OFN
constexpr int kHliButtonCount = 17;       // BTN_Ns
constexpr int kHliNumericButtons = 18;    // NSL_BTN_Ns
constexpr int kHliForcedSelect = 20;      // FOSL_BTNN
constexpr int kHliForcedAction = 21;      // FOAC_BTNN
constexpr int kHliGiBytes = 22;

constexpr int kBtnColit = kHliGiBytes;    // 3 colour groups x (select, action) x 4 bytes
constexpr int kBtnColitBytes = 24;
constexpr int kBtnIt = kBtnColit + kBtnColitBytes;
constexpr int kBtnItButtons = 36;
constexpr int kBtnItEntryBytes = 18;
constexpr int kHliBytes = kBtnIt + kBtnItButtons * kBtnItEntryBytes;
static_assert(kHliBytes == 694, "HLI_GI, BTN_COLIT and BTN_IT");

// One BTN_IT entry, by its offsets within the entry.
constexpr int kBtnPosX = 0;      // colour group (2 bits), x start (10), reserved (2), x end (10)
constexpr int kBtnPosY = 3;      // auto action (2 bits), y start (10), reserved (2), y end (10)
constexpr int kBtnUp = 6;        // each: reserved (2 bits), button number (6)
constexpr int kBtnDown = 7;
constexpr int kBtnLeft = 8;
constexpr int kBtnRight = 9;
constexpr int kBtnCommand = 10;  // 8 bytes

struct PciButton {
  uint8_t colourGroup;
  uint16_t xStart, xEnd;
  uint8_t autoAction;
  uint16_t yStart, yEnd;
  uint8_t up, down, left, right;
  uint8_t command[kVmCommandBytes];
};

struct PciHighlight {
  uint8_t status;          // 0: no highlight information in this pack
  uint32_t startPtm, endPtm, selectEndPtm;
  uint16_t buttonMode;
  uint8_t buttonOffset, buttonCount, numericButtons, forcedSelect, forcedAction;
  uint32_t colours[kBtnColitBytes / 4];
  PciButton button[kBtnItButtons];
  uint8_t image[kHliBytes];  // the table as read: reserved bits come from here
};

// Reads the highlight information of a navigation pack. False when the pack
// is too short to hold it.
[[nodiscard]] bool ReadPciHighlight(const uint8_t* pack, size_t size, PciHighlight& out);

// Writes it back over the pack's highlight information. False when the pack
// is too short.
[[nodiscard]] bool WritePciHighlight(const PciHighlight& h, uint8_t* pack, size_t size);

// The button groups the mode field declares (1..3) and the BTN_IT slot of
// button `n` (1-based) of group `g` (1-based): the 36 entries are shared
// out evenly between the groups. -1 when there is no such slot.
int PciButtonGroups(const PciHighlight& h);
int PciButtonSlot(const PciHighlight& h, int g, int n);

// Calls `each(group, button, command)` for every button the highlight
// information of `pack` declares, the command pointing into the pack so
// that the caller may change it in place; `group` is 0 when the menu has a
// single group. Nothing is called for a pack without highlight information
// or too short to hold it.
using PackButtonVisitor = std::function<void(int group, int button, uint8_t* command)>;
void ForEachPackButton(uint8_t* pack, size_t size, const PackButtonVisitor& each);

}  // namespace vm
