#include "dvd/vm_command.h"

#include <cstdio>

namespace vm {
namespace {

// A field of the command word: `top` is its highest bit, 63 being the first
// byte's top bit, and `width` its size in bits.
struct BitField {
  int top;
  int width;
};

constexpr BitField kGroupBits{63, 3};
constexpr BitField kJumpFlag{60, 1};      // group 1: jump/call rather than link
constexpr BitField kSetImmediate{60, 1};  // groups 2..6: the set's source is a value
constexpr BitField kSetOp{59, 4};
constexpr BitField kCmpImmediate{55, 1};
constexpr BitField kCmpOp{54, 3};
constexpr BitField kInstrOp{51, 4};       // link op, jump op, special op

// Comparison operands, by where each group keeps them.
constexpr BitField kCmp1Left{39, 8};      // groups 0, 1 (links)
constexpr BitField kCmp1RightValue{31, 16};
constexpr BitField kCmp1RightReg{23, 8};
constexpr BitField kCmp2Left{15, 8};      // group 1 (jumps), group 2
constexpr BitField kCmp2Right{7, 8};
constexpr BitField kCmp3Left{47, 8};      // group 3
constexpr BitField kCmp3RightValue{15, 16};
constexpr BitField kCmp3RightReg{7, 8};
constexpr BitField kCmp4Left{51, 4};      // group 4 (the set's register)
constexpr BitField kCmp5LeftWhenSetValue{31, 8};  // groups 5, 6
constexpr BitField kCmp5RightWhenSetValue{23, 8};

// Jump and call operands.
constexpr BitField kJumpTitle{22, 7};
constexpr BitField kJumpPtt{41, 10};
constexpr BitField kSsTarget{23, 2};      // FP, VMGM menu, VTSM, VMGM PGC
constexpr BitField kSsMenu{19, 4};
constexpr BitField kSsVts{31, 8};
constexpr BitField kSsVtsTitle{39, 8};
constexpr BitField kSsPgcn{46, 15};
constexpr BitField kCallRsmCell{31, 8};

// Link operands (the low two bytes).
constexpr BitField kLinkPgcn{14, 15};
constexpr BitField kLinkPttn{9, 10};
constexpr BitField kLinkPgn{6, 7};
constexpr BitField kLinkCn{7, 8};
constexpr BitField kLinkButton{15, 6};
constexpr BitField kLinkSubCode{4, 5};

// Set sources read from a register.
constexpr BitField kSet1SourceReg{23, 8};  // group 3
constexpr BitField kSet2SourceReg{39, 8};  // groups 4..6, SetNVTMR, SetGPRMMD
constexpr BitField kSetHlSourceReg{23, 8}; // SetHL_BTNN

// Codes of the link op, jump op and JumpSS/CallSS target fields.
constexpr uint8_t kLinkOpSub = 1, kLinkOpPgcn = 4, kLinkOpPttn = 5, kLinkOpPgn = 6,
                  kLinkOpCn = 7;
constexpr uint8_t kJumpOpExit = 1, kJumpOpTT = 2, kJumpOpVtsTT = 3, kJumpOpVtsPtt = 5,
                  kJumpOpJumpSs = 6, kJumpOpCallSs = 8;
constexpr uint8_t kSsFp = 0, kSsVmgmMenu = 1, kSsVtsm = 2, kSsVmgmPgc = 3;
constexpr uint8_t kSystemSetNvtmr = 2, kSystemSetGprmmd = 3, kSystemSetHlBtnn = 6;

constexpr uint64_t Mask(BitField f) {
  return ((uint64_t{1} << f.width) - 1) << (f.top - f.width + 1);
}

// Reads fields and records which bits it took.
struct Reader {
  uint64_t word;
  uint64_t owned = 0;
  uint32_t Take(BitField f) {
    owned |= Mask(f);
    return static_cast<uint32_t>((word & Mask(f)) >> (f.top - f.width + 1));
  }
  uint32_t Peek(BitField f) const {
    return static_cast<uint32_t>((word & Mask(f)) >> (f.top - f.width + 1));
  }
};

void Put(uint64_t& word, BitField f, uint32_t v) {
  word = (word & ~Mask(f)) | ((uint64_t{v} << (f.top - f.width + 1)) & Mask(f));
}

bool IsLinkGroupWithLinkOp(VmGroup g) {
  return g == VmGroup::LinkJump || g == VmGroup::SystemSet || g == VmGroup::Set;
}

// The comparison: op always; its operands only when there is one, since
// without a comparison those bits may belong to the link.
void TakeCondition(Reader& r, VmCommand& c) {
  c.cond.op = static_cast<uint8_t>(r.Take(kCmpOp));
  if (c.cond.op == 0) return;
  VmCondition& k = c.cond;
  switch (c.group) {
    case VmGroup::Special:
      k.immediate = r.Take(kCmpImmediate) != 0;
      k.left = static_cast<uint8_t>(r.Take(kCmp1Left));
      k.right = static_cast<uint16_t>(r.Take(k.immediate ? kCmp1RightValue : kCmp1RightReg));
      break;
    case VmGroup::LinkJump:
      if (r.Peek(kJumpFlag)) {
        k.left = static_cast<uint8_t>(r.Take(kCmp2Left));
        k.right = static_cast<uint16_t>(r.Take(kCmp2Right));
      } else {
        k.immediate = r.Take(kCmpImmediate) != 0;
        k.left = static_cast<uint8_t>(r.Take(kCmp1Left));
        k.right = static_cast<uint16_t>(r.Take(k.immediate ? kCmp1RightValue : kCmp1RightReg));
      }
      break;
    case VmGroup::SystemSet:
      k.left = static_cast<uint8_t>(r.Take(kCmp2Left));
      k.right = static_cast<uint16_t>(r.Take(kCmp2Right));
      break;
    case VmGroup::Set:
      k.immediate = r.Take(kCmpImmediate) != 0;
      k.left = static_cast<uint8_t>(r.Take(kCmp3Left));
      k.right = static_cast<uint16_t>(r.Take(k.immediate ? kCmp3RightValue : kCmp3RightReg));
      break;
    case VmGroup::SetCmpLinkSub:
      k.immediate = r.Take(kCmpImmediate) != 0;
      k.left = static_cast<uint8_t>(r.Take(kCmp4Left));
      k.right = static_cast<uint16_t>(r.Take(k.immediate ? kCmp1RightValue : kCmp1RightReg));
      break;
    case VmGroup::CmpSetLinkSub:
    case VmGroup::CmpSetThenLinkSub:
      if (r.Peek(kSetImmediate)) {
        k.left = static_cast<uint8_t>(r.Take(kCmp5LeftWhenSetValue));
        k.right = static_cast<uint16_t>(r.Take(kCmp5RightWhenSetValue));
      } else {
        k.immediate = r.Take(kCmpImmediate) != 0;
        k.left = static_cast<uint8_t>(r.Take(kCmp1Left));
        k.right = static_cast<uint16_t>(r.Take(k.immediate ? kCmp1RightValue : kCmp1RightReg));
      }
      break;
    case VmGroup::Unknown:
      break;
  }
}

void PutCondition(uint64_t& w, const VmCommand& c) {
  const VmCondition& k = c.cond;
  Put(w, kCmpOp, k.op);
  if (k.op == 0) return;
  const bool jump = (w & Mask(kJumpFlag)) != 0;
  const bool setValue = (w & Mask(kSetImmediate)) != 0;
  switch (c.group) {
    case VmGroup::LinkJump:
      if (jump) {
        Put(w, kCmp2Left, k.left);
        Put(w, kCmp2Right, k.right);
        break;
      }
      [[fallthrough]];
    case VmGroup::Special:
      Put(w, kCmpImmediate, k.immediate);
      Put(w, kCmp1Left, k.left);
      Put(w, k.immediate ? kCmp1RightValue : kCmp1RightReg, k.right);
      break;
    case VmGroup::SystemSet:
      Put(w, kCmp2Left, k.left);
      Put(w, kCmp2Right, k.right);
      break;
    case VmGroup::Set:
      Put(w, kCmpImmediate, k.immediate);
      Put(w, kCmp3Left, k.left);
      Put(w, k.immediate ? kCmp3RightValue : kCmp3RightReg, k.right);
      break;
    case VmGroup::SetCmpLinkSub:
      Put(w, kCmpImmediate, k.immediate);
      Put(w, kCmp4Left, k.left);
      Put(w, k.immediate ? kCmp1RightValue : kCmp1RightReg, k.right);
      break;
    case VmGroup::CmpSetLinkSub:
    case VmGroup::CmpSetThenLinkSub:
      if (setValue) {
        Put(w, kCmp5LeftWhenSetValue, k.left);
        Put(w, kCmp5RightWhenSetValue, k.right);
      } else {
        Put(w, kCmpImmediate, k.immediate);
        Put(w, kCmp1Left, k.left);
        Put(w, k.immediate ? kCmp1RightValue : kCmp1RightReg, k.right);
      }
      break;
    case VmGroup::Unknown:
      break;
  }
}

void TakeLinkSub(Reader& r, VmCommand& c) {
  c.kind = VmKind::LinkSub;
  c.button = static_cast<uint8_t>(r.Take(kLinkButton));
  c.linkSub = static_cast<VmLinkSub>(r.Take(kLinkSubCode));
}

// A link of groups 1..3: op in the instruction field, operands in the low
// two bytes. An unknown op stays in `rest`.
void TakeLink(Reader& r, VmCommand& c) {
  const uint32_t op = r.Peek(kInstrOp);
  switch (op) {
    case kLinkOpSub:
      r.Take(kInstrOp);
      TakeLinkSub(r, c);
      return;
    case kLinkOpPgcn:
      r.Take(kInstrOp);
      c.kind = VmKind::LinkPgcn;
      c.pgcn = static_cast<uint16_t>(r.Take(kLinkPgcn));
      return;
    case kLinkOpPttn:
      r.Take(kInstrOp);
      c.kind = VmKind::LinkPttn;
      c.chapter = static_cast<uint16_t>(r.Take(kLinkPttn));
      c.button = static_cast<uint8_t>(r.Take(kLinkButton));
      return;
    case kLinkOpPgn:
      r.Take(kInstrOp);
      c.kind = VmKind::LinkPgn;
      c.program = static_cast<uint16_t>(r.Take(kLinkPgn));
      c.button = static_cast<uint8_t>(r.Take(kLinkButton));
      return;
    case kLinkOpCn:
      r.Take(kInstrOp);
      c.kind = VmKind::LinkCn;
      c.cell = static_cast<uint16_t>(r.Take(kLinkCn));
      c.button = static_cast<uint8_t>(r.Take(kLinkButton));
      return;
    default:
      return;
  }
}

void TakeSystemSpace(Reader& r, VmCommand& c, bool call) {
  const uint32_t target = r.Take(kSsTarget);
  switch (target) {
    case kSsFp:
      c.kind = call ? VmKind::CallSsFp : VmKind::JumpSsFp;
      break;
    case kSsVmgmMenu:
      c.kind = call ? VmKind::CallSsVmgmMenu : VmKind::JumpSsVmgmMenu;
      c.menu = static_cast<uint8_t>(r.Take(kSsMenu));
      break;
    case kSsVtsm:
      c.kind = call ? VmKind::CallSsVtsm : VmKind::JumpSsVtsm;
      c.menu = static_cast<uint8_t>(r.Take(kSsMenu));
      if (!call) {
        c.vts = static_cast<uint8_t>(r.Take(kSsVts));
        c.title = static_cast<uint16_t>(r.Take(kSsVtsTitle));
      }
      break;
    default:
      c.kind = call ? VmKind::CallSsVmgmPgc : VmKind::JumpSsVmgmPgc;
      c.pgcn = static_cast<uint16_t>(r.Take(kSsPgcn));
      break;
  }
  if (call) c.rsmCell = static_cast<uint8_t>(r.Take(kCallRsmCell));
}

void TakeJump(Reader& r, VmCommand& c) {
  const uint32_t op = r.Peek(kInstrOp);
  switch (op) {
    case kJumpOpExit:
      r.Take(kInstrOp);
      c.kind = VmKind::Exit;
      return;
    case kJumpOpTT:
    case kJumpOpVtsTT:
      r.Take(kInstrOp);
      c.kind = op == kJumpOpTT ? VmKind::JumpTT : VmKind::JumpVtsTT;
      c.title = static_cast<uint16_t>(r.Take(kJumpTitle));
      return;
    case kJumpOpVtsPtt:
      r.Take(kInstrOp);
      c.kind = VmKind::JumpVtsPtt;
      c.title = static_cast<uint16_t>(r.Take(kJumpTitle));
      c.chapter = static_cast<uint16_t>(r.Take(kJumpPtt));
      return;
    case kJumpOpJumpSs:
    case kJumpOpCallSs:
      r.Take(kInstrOp);
      TakeSystemSpace(r, c, op == kJumpOpCallSs);
      return;
    default:
      return;
  }
}

uint8_t SsTargetOf(VmKind k) {
  switch (k) {
    case VmKind::JumpSsVmgmMenu:
    case VmKind::CallSsVmgmMenu:
      return kSsVmgmMenu;
    case VmKind::JumpSsVtsm:
    case VmKind::CallSsVtsm:
      return kSsVtsm;
    case VmKind::JumpSsVmgmPgc:
    case VmKind::CallSsVmgmPgc:
      return kSsVmgmPgc;
    default:
      return kSsFp;
  }
}

void PutJumpOrLink(uint64_t& w, const VmCommand& c) {
  switch (c.kind) {
    case VmKind::None:
      return;
    case VmKind::Exit:
      Put(w, kInstrOp, kJumpOpExit);
      return;
    case VmKind::JumpTT:
    case VmKind::JumpVtsTT:
      Put(w, kInstrOp, c.kind == VmKind::JumpTT ? kJumpOpTT : kJumpOpVtsTT);
      Put(w, kJumpTitle, c.title);
      return;
    case VmKind::JumpVtsPtt:
      Put(w, kInstrOp, kJumpOpVtsPtt);
      Put(w, kJumpTitle, c.title);
      Put(w, kJumpPtt, c.chapter);
      return;
    case VmKind::JumpSsFp:
    case VmKind::JumpSsVmgmMenu:
    case VmKind::JumpSsVtsm:
    case VmKind::JumpSsVmgmPgc:
    case VmKind::CallSsFp:
    case VmKind::CallSsVmgmMenu:
    case VmKind::CallSsVtsm:
    case VmKind::CallSsVmgmPgc: {
      const bool call = c.kind >= VmKind::CallSsFp;
      const uint8_t target = SsTargetOf(c.kind);
      Put(w, kInstrOp, call ? kJumpOpCallSs : kJumpOpJumpSs);
      Put(w, kSsTarget, target);
      if (target == kSsVmgmMenu || target == kSsVtsm) Put(w, kSsMenu, c.menu);
      if (target == kSsVtsm && !call) {
        Put(w, kSsVts, c.vts);
        Put(w, kSsVtsTitle, c.title);
      }
      if (target == kSsVmgmPgc) Put(w, kSsPgcn, c.pgcn);
      if (call) Put(w, kCallRsmCell, c.rsmCell);
      return;
    }
    case VmKind::LinkPgcn:
      Put(w, kInstrOp, kLinkOpPgcn);
      Put(w, kLinkPgcn, c.pgcn);
      return;
    case VmKind::LinkPttn:
      Put(w, kInstrOp, kLinkOpPttn);
      Put(w, kLinkPttn, c.chapter);
      Put(w, kLinkButton, c.button);
      return;
    case VmKind::LinkPgn:
      Put(w, kInstrOp, kLinkOpPgn);
      Put(w, kLinkPgn, c.program);
      Put(w, kLinkButton, c.button);
      return;
    case VmKind::LinkCn:
      Put(w, kInstrOp, kLinkOpCn);
      Put(w, kLinkCn, c.cell);
      Put(w, kLinkButton, c.button);
      return;
    case VmKind::LinkSub:
      // Groups 4..6 carry the sub-instruction without a link op.
      if (IsLinkGroupWithLinkOp(c.group)) Put(w, kInstrOp, kLinkOpSub);
      Put(w, kLinkButton, c.button);
      Put(w, kLinkSubCode, static_cast<uint8_t>(c.linkSub));
      return;
  }
}

uint64_t WordOf(const uint8_t b[kVmCommandBytes]) {
  uint64_t w = 0;
  for (int i = 0; i < kVmCommandBytes; ++i) w = (w << 8) | b[i];
  return w;
}

}  // namespace

VmCommand DecodeVmCommand(const uint8_t bytes[kVmCommandBytes]) {
  VmCommand c;
  Reader r{WordOf(bytes)};
  c.group = static_cast<VmGroup>(r.Take(kGroupBits));
  switch (c.group) {
    case VmGroup::Special:
      TakeCondition(r, c);
      break;
    case VmGroup::LinkJump:
      TakeCondition(r, c);
      if (r.Peek(kJumpFlag))
        TakeJump(r, c);
      else
        TakeLink(r, c);
      // A command of no known kind keeps its flag in `rest`.
      if (c.kind != VmKind::None) r.Take(kJumpFlag);
      break;
    case VmGroup::SystemSet:
    case VmGroup::Set:
      TakeCondition(r, c);
      TakeLink(r, c);
      break;
    case VmGroup::SetCmpLinkSub:
    case VmGroup::CmpSetLinkSub:
    case VmGroup::CmpSetThenLinkSub:
      TakeCondition(r, c);
      TakeLinkSub(r, c);
      break;
    case VmGroup::Unknown:
      break;
  }
  c.rest = r.word & ~r.owned;
  return c;
}

void EncodeVmCommand(const VmCommand& c, uint8_t bytes[kVmCommandBytes]) {
  uint64_t w = c.rest;
  Put(w, kGroupBits, static_cast<uint8_t>(c.group));
  if (c.group == VmGroup::LinkJump) {
    const bool jump = c.kind >= VmKind::Exit && c.kind <= VmKind::CallSsVmgmPgc;
    if (c.kind != VmKind::None) Put(w, kJumpFlag, jump);
  }
  if (c.group != VmGroup::Unknown) PutCondition(w, c);
  // The link is written last: where a comparison shares its bytes, the
  // link's value is the one a player reads for the target.
  PutJumpOrLink(w, c);
  for (int i = kVmCommandBytes - 1; i >= 0; --i) {
    bytes[i] = static_cast<uint8_t>(w);
    w >>= 8;
  }
}

bool VmLinkOverlapsCondition(const VmCommand& c) {
  return (c.group == VmGroup::SystemSet || c.group == VmGroup::Set) && c.cond.op != 0 &&
         c.kind != VmKind::None;
}

bool VmReadsSystemRegister(const uint8_t bytes[kVmCommandBytes], uint8_t sprm) {
  const VmCommand c = DecodeVmCommand(bytes);
  const uint8_t reg = static_cast<uint8_t>(kVmSystemRegister | sprm);
  if (c.cond.op != 0) {
    if (c.cond.left == reg) return true;
    if (!c.cond.immediate && c.cond.right == reg) return true;
  }
  Reader r{WordOf(bytes)};
  const bool fromRegister = r.Peek(kSetImmediate) == 0;
  const uint32_t setOp = r.Peek(kSetOp);
  if (!fromRegister || setOp == 0) return false;
  switch (c.group) {
    case VmGroup::Set:
      return r.Peek(kSet1SourceReg) == reg;
    case VmGroup::SetCmpLinkSub:
    case VmGroup::CmpSetLinkSub:
    case VmGroup::CmpSetThenLinkSub:
      return r.Peek(kSet2SourceReg) == reg;
    case VmGroup::SystemSet:
      if (setOp == kSystemSetNvtmr || setOp == kSystemSetGprmmd)
        return r.Peek(kSet2SourceReg) == reg;
      if (setOp == kSystemSetHlBtnn) return r.Peek(kSetHlSourceReg) == reg;
      return false;
    default:
      return false;
  }
}

namespace {

const char* LinkSubName(VmLinkSub s) {
  switch (s) {
    case VmLinkSub::NoLink: return "LinkNoLink";
    case VmLinkSub::TopC: return "LinkTopC";
    case VmLinkSub::NextC: return "LinkNextC";
    case VmLinkSub::PrevC: return "LinkPrevC";
    case VmLinkSub::TopPG: return "LinkTopPG";
    case VmLinkSub::NextPG: return "LinkNextPG";
    case VmLinkSub::PrevPG: return "LinkPrevPG";
    case VmLinkSub::TopPGC: return "LinkTopPGC";
    case VmLinkSub::NextPGC: return "LinkNextPGC";
    case VmLinkSub::PrevPGC: return "LinkPrevPGC";
    case VmLinkSub::GoUpPGC: return "LinkGoUpPGC";
    case VmLinkSub::TailPGC: return "LinkTailPGC";
    case VmLinkSub::Rsm: return "RSM";
  }
  return "Link?";
}

void RegisterName(uint8_t reg, char* out, int size) {
  if (reg & kVmSystemRegister)
    std::snprintf(out, static_cast<size_t>(size), "s%d", reg & 0x1F);
  else
    std::snprintf(out, static_cast<size_t>(size), "g%d", reg & 0x0F);
}

}  // namespace

void DescribeVmCommand(const VmCommand& c, char* out, int size) {
  if (size <= 0) return;
  char cond[48] = "";
  if (c.cond.op != 0) {
    static const char* const kOps[] = {"", "&", "==", "!=", ">=", ">", "<=", "<"};
    char left[8], right[8];
    RegisterName(c.cond.left, left, sizeof left);
    if (c.cond.immediate)
      std::snprintf(right, sizeof right, "%u", c.cond.right);
    else
      RegisterName(static_cast<uint8_t>(c.cond.right), right, sizeof right);
    std::snprintf(cond, sizeof cond, "if (%s %s %s) ", left, kOps[c.cond.op & 7], right);
  }
  char what[64];
  switch (c.kind) {
    case VmKind::None: std::snprintf(what, sizeof what, "(no link)"); break;
    case VmKind::Exit: std::snprintf(what, sizeof what, "Exit"); break;
    case VmKind::JumpTT: std::snprintf(what, sizeof what, "JumpTT %u", c.title); break;
    case VmKind::JumpVtsTT: std::snprintf(what, sizeof what, "JumpVTS_TT %u", c.title); break;
    case VmKind::JumpVtsPtt:
      std::snprintf(what, sizeof what, "JumpVTS_PTT %u:%u", c.title, c.chapter);
      break;
    case VmKind::JumpSsFp: std::snprintf(what, sizeof what, "JumpSS FP"); break;
    case VmKind::JumpSsVmgmMenu:
      std::snprintf(what, sizeof what, "JumpSS VMGM menu %u", c.menu);
      break;
    case VmKind::JumpSsVtsm:
      std::snprintf(what, sizeof what, "JumpSS VTSM vts %u title %u menu %u", c.vts, c.title,
                    c.menu);
      break;
    case VmKind::JumpSsVmgmPgc:
      std::snprintf(what, sizeof what, "JumpSS VMGM pgc %u", c.pgcn);
      break;
    case VmKind::CallSsFp: std::snprintf(what, sizeof what, "CallSS FP rsm %u", c.rsmCell); break;
    case VmKind::CallSsVmgmMenu:
      std::snprintf(what, sizeof what, "CallSS VMGM menu %u rsm %u", c.menu, c.rsmCell);
      break;
    case VmKind::CallSsVtsm:
      std::snprintf(what, sizeof what, "CallSS VTSM menu %u rsm %u", c.menu, c.rsmCell);
      break;
    case VmKind::CallSsVmgmPgc:
      std::snprintf(what, sizeof what, "CallSS VMGM pgc %u rsm %u", c.pgcn, c.rsmCell);
      break;
    case VmKind::LinkPgcn: std::snprintf(what, sizeof what, "LinkPGCN %u", c.pgcn); break;
    case VmKind::LinkPttn: std::snprintf(what, sizeof what, "LinkPTTN %u", c.chapter); break;
    case VmKind::LinkPgn: std::snprintf(what, sizeof what, "LinkPGN %u", c.program); break;
    case VmKind::LinkCn: std::snprintf(what, sizeof what, "LinkCN %u", c.cell); break;
    case VmKind::LinkSub: std::snprintf(what, sizeof what, "%s", LinkSubName(c.linkSub)); break;
  }
  std::snprintf(out, static_cast<size_t>(size), "%s%s", cond, what);
}

}  // namespace vm
