// The jumps into titles that a volume's menus and program chains make:
// every command (first play, VMG menus, each title set's menus and titles)
// and every menu button (the navigation packs of VIDEO_TS.VOB and
// VTS_nn_0.VOB) that jumps into a title, with where it sits and where it
// leads.
#pragma once

#include <string>
#include <vector>

#include "dvd/jump_site.h"

namespace vm {

struct JumpListing {
  JumpSite site;
  std::string command;  // its mnemonic, "JumpVTS_PTT 1:3"
  int title;            // volume numbering; 0 when the volume has no such title
  int chapter;          // 0: the title's start
  int packs;            // buttons: the navigation packs that carry the same button (1 or more)
};

enum class JumpListStatus { Done, NoVmg, BadIfo, BadVob };

// Lists the jumps of the volume in `folder` (ending in '/'), in the order
// the walk meets them: VIDEO_TS.IFO and its menu VOB, then each title set's
// information file and menu VOB. A menu repeats its buttons in every
// navigation pack: a button with the same command in several packs of one
// menu is listed once, at its first pack, with the count. On a failure `cause` says which file and
// why.
JumpListStatus ListVolumeJumps(const char* folder, std::vector<JumpListing>& out,
                               std::string& cause);

}  // namespace vm
