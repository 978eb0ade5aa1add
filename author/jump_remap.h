// Making jumps land where they landed before a title set was re-chaptered:
// a command or button that names a chapter of a renumbered title, or a
// program or cell of a renumbered program chain, is rewritten to the new
// number of the same place; where the edit removed that place as a chapter
// (or program) start, to the one that now holds it, and the caller is told
// so. A pure function over one command's bytes and the renumbering map.
#pragma once

#include <cstdint>
#include <string>

#include "author/renumber_map.h"
#include "dvd/jump_site.h"
#include "dvd/vm_command.h"

namespace vm {

enum class JumpRemapCode : uint8_t {
  Untouched,     // names nothing that moved
  Renumbered,    // rewritten: the same place under its new number
  Moved,         // the place is no longer a start: rewritten to the one holding it
  FromRegister,  // the chapter number comes from a register: left as it is
  NotWritable,   // the new number does not fit the command: left as it is
};

enum class JumpTargetKind : uint8_t { None, Chapter, Program, Cell };

struct JumpRemapResult {
  JumpRemapCode code = JumpRemapCode::Untouched;
  JumpTargetKind target = JumpTargetKind::None;
  int title = 0;       // chapters: the title of the set
  int oldNumber = 0;
  int newNumber = 0;
};

// Rewrites `bytes` in place where the command names a place that moved.
JumpRemapResult RemapJump(uint8_t bytes[kVmCommandBytes], const JumpSite& site,
                          const TitleSetRenumber& map);

// "VTS 1 menu (language 1) PGC 2, button 3: chapter 4 of title 1 was removed;
// now jumps to chapter 3", or "" for a result that needs no word (untouched
// or plainly renumbered).
std::string JumpReportLine(const JumpSite& site, const JumpRemapResult& r);

}  // namespace vm
