#include "author/jump_remap.h"

#include <cstdio>

namespace vm {
namespace {

// The widths of the fields that carry each target.
constexpr int kMaxPttField = 1023;
constexpr int kMaxPgnField = 127;
constexpr int kMaxCnField = 255;

bool InRenumberedSet(const JumpSite& site, const TitleSetRenumber& map) {
  return map.vtsNumber != 0 && site.vts == map.vtsNumber &&
         (site.domain == JumpDomain::VtsMenu || site.domain == JumpDomain::Title);
}

const TitleRenumber* TitleOf(const TitleSetRenumber& map, int title) {
  if (title < 1 || title > map.titleCount || title > kRenumberMaxTitles) return nullptr;
  const TitleRenumber& t = map.title[title];
  return t.oldPtts > 0 ? &t : nullptr;
}

const PgcRenumber* PgcOf(const TitleSetRenumber& map, int pgc) {
  if (pgc < 1 || pgc > map.pgcCount || pgc > kRenumberMaxPgcs) return nullptr;
  return &map.pgc[pgc];
}

// Fills `r` for an old number found in the map; false when the map has no
// entry for it (a number the source did not have: left alone).
bool Lookup(int oldNumber, int oldCount, const uint16_t* newNumbers, const bool* removed,
            JumpRemapResult& r) {
  if (oldNumber < 1 || oldNumber > oldCount || newNumbers[oldNumber] == 0) return false;
  r.oldNumber = oldNumber;
  r.newNumber = newNumbers[oldNumber];
  const bool gone = removed != nullptr && removed[oldNumber];
  if (gone)
    r.code = JumpRemapCode::Moved;
  else
    r.code = r.newNumber == oldNumber ? JumpRemapCode::Untouched : JumpRemapCode::Renumbered;
  return true;
}

}  // namespace

JumpRemapResult RemapJump(uint8_t bytes[kVmCommandBytes], const JumpSite& site,
                          const TitleSetRenumber& map) {
  JumpRemapResult r;
  if (map.vtsNumber == 0) return r;
  VmCommand c = DecodeVmCommand(bytes);

  // A command that reads the current chapter number keeps a number of the
  // old numbering in a register; what it later does with it cannot be known.
  if (VmReadsSystemRegister(bytes, kVmSprmChapter)) {
    r.code = JumpRemapCode::FromRegister;
    r.target = JumpTargetKind::Chapter;
    return r;
  }
  if (!InRenumberedSet(site, map)) return r;

  int limit = 0;
  uint16_t* field = nullptr;
  switch (c.kind) {
    case VmKind::JumpVtsPtt: {
      const TitleRenumber* t = TitleOf(map, c.title);
      if (t == nullptr) return r;
      r.target = JumpTargetKind::Chapter;
      r.title = c.title;
      if (!Lookup(c.chapter, t->oldPtts, t->newPtt, t->pttRemoved, r)) return r;
      field = &c.chapter;
      limit = kMaxPttField;
      break;
    }
    case VmKind::LinkPttn: {
      if (site.domain != JumpDomain::Title) return r;
      const TitleRenumber* t = TitleOf(map, site.vtsTitle);
      if (t == nullptr) return r;
      r.target = JumpTargetKind::Chapter;
      r.title = site.vtsTitle;
      if (!Lookup(c.chapter, t->oldPtts, t->newPtt, t->pttRemoved, r)) return r;
      field = &c.chapter;
      limit = kMaxPttField;
      break;
    }
    case VmKind::LinkPgn: {
      if (site.domain != JumpDomain::Title) return r;
      const PgcRenumber* p = PgcOf(map, site.pgc);
      if (p == nullptr) return r;
      r.target = JumpTargetKind::Program;
      if (!Lookup(c.program, p->oldPrograms, p->newProgram, p->programRemoved, r)) return r;
      field = &c.program;
      limit = kMaxPgnField;
      break;
    }
    case VmKind::LinkCn: {
      if (site.domain != JumpDomain::Title) return r;
      const PgcRenumber* p = PgcOf(map, site.pgc);
      if (p == nullptr) return r;
      r.target = JumpTargetKind::Cell;
      if (!Lookup(c.cell, p->oldCells, p->newCell, nullptr, r)) return r;
      field = &c.cell;
      limit = kMaxCnField;
      break;
    }
    case VmKind::CallSsFp:
    case VmKind::CallSsVmgmMenu:
    case VmKind::CallSsVtsm:
    case VmKind::CallSsVmgmPgc: {
      // The cell to resume at when the call returns, in this program chain.
      if (site.domain != JumpDomain::Title || c.rsmCell == 0) return r;
      const PgcRenumber* p = PgcOf(map, site.pgc);
      if (p == nullptr) return r;
      r.target = JumpTargetKind::Cell;
      if (!Lookup(c.rsmCell, p->oldCells, p->newCell, nullptr, r)) return r;
      if (r.code == JumpRemapCode::Untouched) return r;
      if (r.newNumber > kMaxCnField) {
        r.code = JumpRemapCode::NotWritable;
        return r;
      }
      c.rsmCell = static_cast<uint8_t>(r.newNumber);
      EncodeVmCommand(c, bytes);
      return r;
    }
    default:
      return r;
  }
  if (r.code == JumpRemapCode::Untouched) return r;
  // Where the link shares its bytes with a comparison, rewriting it would
  // change what is compared as well.
  if (r.newNumber > limit || VmLinkOverlapsCondition(c)) {
    r.code = JumpRemapCode::NotWritable;
    return r;
  }
  *field = static_cast<uint16_t>(r.newNumber);
  EncodeVmCommand(c, bytes);
  return r;
}

std::string JumpReportLine(const JumpSite& site, const JumpRemapResult& r) {
  const char* noun = r.target == JumpTargetKind::Program ? "program"
                     : r.target == JumpTargetKind::Cell  ? "cell"
                                                         : "chapter";
  char of[32] = "";
  if (r.target == JumpTargetKind::Chapter && r.title > 0)
    std::snprintf(of, sizeof of, " of title %d", r.title);
  char text[160];
  switch (r.code) {
    case JumpRemapCode::Moved:
      std::snprintf(text, sizeof text, "%s %d%s was removed; now jumps to %s %d, which holds it",
                    noun, r.oldNumber, of, noun, r.newNumber);
      break;
    case JumpRemapCode::FromRegister:
      std::snprintf(text, sizeof text,
                    "reads the chapter number from a register; where it jumps with it cannot "
                    "be followed, left as it was");
      break;
    case JumpRemapCode::NotWritable:
      std::snprintf(text, sizeof text,
                    "%s %d%s is now %s %d, which this command cannot name; left as it was", noun,
                    r.oldNumber, of, noun, r.newNumber);
      break;
    default:
      return "";
  }
  return JumpSiteName(site) + ": " + text;
}

}  // namespace vm
