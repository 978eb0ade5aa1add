// Every command of a volume's program chains and every button of its menus,
// each with the place it sits: the one walk that the listing of jumps and
// the rewriting after re-chaptering both go through.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "dvd/ifo_model.h"
#include "dvd/jump_site.h"
#include "dvd/vm_command.h"

namespace vm {

using CommandVisitor = std::function<void(const JumpSite& site, uint8_t* bytes)>;

// Every pre, post and cell command of every program chain of one
// information file: VIDEO_TS.IFO's first-play chain and menus (vts 0), or
// title set `vts`'s menus and titles. The bytes are the model's, so a
// visitor may change them. A chain that several search pointers (or
// language units) name is visited once, under the first.
void ForEachIfoCommand(dvd::IfoModel& m, int vts, const CommandVisitor& each);

// Which menu program chain plays each cell of a file's menu VOB, so that a
// navigation pack there is named by its menu.
constexpr int kMaxMenuCells = 4096;
struct MenuCell {
  uint16_t vobId;
  uint8_t cellId;
  uint8_t language;  // 1-based language unit
  uint16_t pgc;      // 1-based program chain of that unit
};
struct MenuCellIndex {
  int count;
  MenuCell cell[kMaxMenuCells];
};
void IndexMenuCells(const dvd::IfoModel& m, MenuCellIndex& index);

// The site of the navigation pack at `sector` of a menu VOB (VIDEO_TS.VOB
// for vts 0, else VTS_nn_0.VOB): the menu whose cell it lies in, or
// language and program chain 0 when no menu names that cell.
JumpSite MenuPackSite(const uint8_t* pack, const MenuCellIndex& index, int vts, uint32_t sector);

// Every button command of a menu VOB's navigation pack, in place.
void ForEachMenuPackButton(uint8_t* pack, const JumpSite& packSite, const CommandVisitor& each);

// Calls `each(pack, sector)` for every navigation pack with highlight
// information among title set `vts`'s title VOBs (VTS_nn_1.VOB on) in
// `folder`, found through the VOBU address map of the set's model; the
// sector counts across the files. When `each` returns true the pack was
// changed and is written back where it lies (the files opened for writing
// only when `writable`). False on a read or write error; a VOBU the map
// places past the files' end is left alone.
using TitlePackVisitor = std::function<bool(uint8_t* pack, uint32_t sector)>;
bool ForEachTitleButtonPack(const char* folder, int vts, const dvd::IfoModel& m, bool writable,
                            const TitlePackVisitor& each);

// The volume's number (1-based) of title `vtsTitle` of set `vts`; 0 none.
int VolumeTitle(const dvd::TtSrpt& tt, int vts, int vtsTitle);

// The title (volume numbering) and chapter a command jumps into; chapter 0
// when it names the title alone. False when it jumps into no title.
bool JumpIntoTitle(const VmCommand& c, const JumpSite& site, const dvd::TtSrpt& tt, int& title,
                   int& chapter);

}  // namespace vm
