// The DVD virtual machine's 8-byte commands (program chain pre, post and
// cell commands, button commands) decoded into their kind and operands and
// encoded back. The jump, call and link families are decoded in full, with
// their conditions and the set-and-link forms where a link sits in the low
// bytes of a set command; every bit no decoded field owns is kept in `rest`,
// so Encode(Decode(x)) gives x back for any eight bytes.
#pragma once

#include <cstdint>

namespace vm {

constexpr int kVmCommandBytes = 8;

// Top three bits of the first byte.
enum class VmGroup : uint8_t {
  Special = 0,       // Nop, Goto, Break, SetTmpPML
  LinkJump = 1,      // a link, or a jump/call (kept apart by one flag bit)
  SystemSet = 2,     // SetSTN, SetNVTMR, SetGPRMMD, SetHL_BTNN, with an optional link
  Set = 3,           // general register set, with an optional link
  SetCmpLinkSub = 4, // set; if (compare) link sub-instruction
  CmpSetLinkSub = 5, // if (compare) { set; link sub-instruction }
  CmpSetThenLinkSub = 6,  // if (compare) set; link sub-instruction always
  Unknown = 7,
};

enum class VmKind : uint8_t {
  None,  // no jump, call or link: the command is kept as bytes
  Exit,
  JumpTT,           // title (volume numbering)
  JumpVtsTT,        // title of this title set
  JumpVtsPtt,       // title of this title set, chapter
  JumpSsFp,         // first play program chain
  JumpSsVmgmMenu,   // VMG menu by menu id
  JumpSsVtsm,       // title set menu: vts, its title, menu id
  JumpSsVmgmPgc,    // VMG menu program chain by number
  CallSsFp,
  CallSsVmgmMenu,
  CallSsVtsm,
  CallSsVmgmPgc,
  LinkPgcn,         // program chain of the current domain
  LinkPttn,         // chapter of the current title
  LinkPgn,          // program of the current program chain
  LinkCn,           // cell of the current program chain
  LinkSub,          // LinkTopC, LinkNextPG, ..., RSM (linkSub)
};

// The link sub-instructions, by their 5-bit code.
enum class VmLinkSub : uint8_t {
  NoLink = 0x00,
  TopC = 0x01,
  NextC = 0x02,
  PrevC = 0x03,
  TopPG = 0x05,
  NextPG = 0x06,
  PrevPG = 0x07,
  TopPGC = 0x09,
  NextPGC = 0x0A,
  PrevPGC = 0x0B,
  GoUpPGC = 0x0C,
  TailPGC = 0x0D,
  Rsm = 0x10,
};

// A register operand: 0x80 | n names system register n, else general
// register n (low four bits).
constexpr uint8_t kVmSystemRegister = 0x80;
constexpr uint8_t kVmSprmChapter = 7;  // the current chapter number (PTTN)

struct VmCondition {
  uint8_t op = 0;          // 0 none, 1 &, 2 ==, 3 !=, 4 >=, 5 >, 6 <=, 7 <
  uint8_t left = 0;        // register
  bool immediate = false;  // right is a value, else a register
  uint16_t right = 0;
};

struct VmCommand {
  VmGroup group = VmGroup::Special;
  VmKind kind = VmKind::None;
  VmCondition cond;
  uint16_t title = 0;     // JumpTT, JumpVtsTT, JumpVtsPtt; JumpSsVtsm: the set's title
  uint16_t chapter = 0;   // JumpVtsPtt, LinkPttn
  uint16_t pgcn = 0;      // LinkPgcn, JumpSsVmgmPgc, CallSsVmgmPgc
  uint16_t program = 0;   // LinkPgn
  uint16_t cell = 0;      // LinkCn
  uint8_t vts = 0;        // JumpSsVtsm
  uint8_t menu = 0;       // JumpSs/CallSs menu id
  uint8_t rsmCell = 0;    // CallSs: the cell to resume at
  uint8_t button = 0;     // links: the button to highlight (0 none)
  VmLinkSub linkSub = VmLinkSub::NoLink;
  uint8_t linkSubCode = 0;  // LinkSub: the raw 5-bit code (unknown codes kept)
  uint64_t rest = 0;      // every bit no field above owns
};

VmCommand DecodeVmCommand(const uint8_t bytes[kVmCommandBytes]);
void EncodeVmCommand(const VmCommand& c, uint8_t bytes[kVmCommandBytes]);

// True when the command's jump or link operands share bits with its
// condition's operands (a set-and-link form that also compares): changing
// the target would change the comparison too.
bool VmLinkOverlapsCondition(const VmCommand& c);

// True when the command reads system register `sprm` (as a set source or a
// comparison operand).
bool VmReadsSystemRegister(const uint8_t bytes[kVmCommandBytes], uint8_t sprm);

// A short mnemonic ("JumpVTS_PTT 1:3", "if (g2 == 4) LinkPGN 2"), for listings
// and reports; `out` gets at most `size` bytes, always terminated.
void DescribeVmCommand(const VmCommand& c, char* out, int size);

}  // namespace vm
