// Rewriting the jumps of a re-chaptered title set: the button commands of
// a menu's navigation pack and the commands of a program chain, each
// through the remapper, with the lines to show the person collected once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "author/jump_remap.h"
#include "author/whole_disc.h"
#include "common/ui.h"

namespace vm {

// A jump that needs a word. A menu repeats its buttons in every navigation
// pack: the same button with the same outcome in several packs of one menu
// is one entry, at its first pack, with the count.
struct NotedJump {
  JumpSite site;
  JumpRemapResult result;
  int packs;
};

struct JumpReport {
  int rewritten = 0;              // commands and buttons given new numbers
  std::vector<NotedJump> noted;   // one per jump that needs a word
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

// The report as one message: a summary line, then one line per noted jump.
std::string JumpReportText(const JumpReport& report);

// The jump rewriter of a whole-disc creation: every command of VIDEO_TS.IFO
// and of the edited set's information file (in the models about to be
// written), and the button commands of the edited set's menu VOB in the
// output folder, whose changed navigation packs are written over the copy.
// 0 when done; 1 when the menu VOB could not be read or written.
int RewriteWholeDiscJumps(WholeDiscEdit& edit, Ui& ui);

// What the last whole-disc rewrite has to tell, as one message ("" when no
// jump needed a change or a word).
const std::string& LastJumpReport();

}  // namespace vm
