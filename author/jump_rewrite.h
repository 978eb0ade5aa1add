// Rewriting the jumps of a re-chaptered title set: the button commands of
// a menu's navigation pack and the commands of a program chain, each
// through the remapper, with the lines to show the person collected once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "author/jump_remap.h"

namespace vm {

struct JumpReport {
  int rewritten = 0;               // commands and buttons given new numbers
  std::vector<std::string> lines;  // one per jump that needs a word
};

// Remaps one command at `site`, counting it and adding its line to `report`.
// True when its bytes changed.
bool RewriteJump(uint8_t bytes[kVmCommandBytes], const JumpSite& site,
                 const TitleSetRenumber& map, JumpReport& report);

// Remaps every button command of a navigation pack (its highlight
// information); `site` names the menu and the pack's sector. Only the
// commands' bytes change. True when any did.
bool RewriteNavPackButtons(uint8_t* pack, size_t size, const JumpSite& site,
                           const TitleSetRenumber& map, JumpReport& report);

// The report as one message: a summary line, then each line.
std::string JumpReportText(const JumpReport& report);

}  // namespace vm
