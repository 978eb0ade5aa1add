// "Create DVD Image" of the whole disc: every file of the volume written
// back to the output folder, the title read re-chaptered in place. The
// other title sets, VIDEO_TS.VOB and the menus are copied unchanged (block
// clones where the file system shares blocks); the edited title set keeps
// every pack at its sector and only the navigation packs of the cells that
// change are written over the copy; its IFO and BUP, and VIDEO_TS.IFO and
// its BUP, are laid out again through the format layer.
#pragma once

#include "author/author_state.h"
#include "author/create_volume.h"
#include "author/output_folder.h"
#include "author/renumber_map.h"
#include "common/ui.h"
#include "dvd/ifo_model.h"
#include "title/tables.h"

namespace vm {

// What the jump rewriter works on, after the cells are cut and the files
// copied, before the information files and the navigation packs are
// written: the edited set's tables and VIDEO_TS.IFO's (both still to be
// written, so changes to their commands are kept), how the numbers moved,
// and the output folder holding the copied menu VOBs (VIDEO_TS.VOB,
// VTS_nn_0.VOB), whose button packs it may write over in place.
struct WholeDiscEdit {
  int vts;  // the edited title set
  const char* outputFolder;  // ends in '/'
  dvd::IfoModel* vmg;
  dvd::IfoModel* vtsi;
  const TitleSetRenumber* renumber;
};

// 0 go on; anything else ends the creation with "VOB file create error."
using JumpRewriter = int (*)(WholeDiscEdit& edit, Ui& ui);

// The rewriter called during every whole-disc creation (none: nullptr).
void SetJumpRewriter(JumpRewriter rewriter);

// The whole-disc creation; CreateVolume calls it when t.WholeDisc is 1.
// The same checks, questions, progress and end messages as a fresh volume;
// the output folder is locked from before its old files are cleared, and
// after a normal end the lock passes to `keepLock` when one is given.
CreateResult CreateWholeDisc(TitleTables& t, AuthorState& a, Ui& ui,
                             const char* outputFolderText, const char* programFolder,
                             OutputFolderLock* keepLock = nullptr);

// The renumbering of the last whole-disc creation (vtsNumber 0: none).
const TitleSetRenumber& LastRenumber();

}  // namespace vm
