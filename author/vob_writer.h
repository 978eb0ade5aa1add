// Copies one title's packs into VTS_tt_n.VOB files, cutting cells and
// rewriting every navigation pack; fills the per-VOBU tables and time map.
#pragma once

#include "author/author_state.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Result codes.
constexpr int kVobWriteDone = 0;
constexpr int kVobWriteSourceError = 1;
constexpr int kVobWriteOutputError = 2;
constexpr int kVobWriteDeclined = 3;
constexpr int kVobWriteTooManyCells = 4;
constexpr int kVobWriteTooManyVobus = 5;
constexpr int kVobWriteStopped = 10;

// The current output file (a.OutFd) is open on entry and on return.
int WriteTitleVobs(TitleTables& t, AuthorState& a, Ui& ui, int title);

// "VTS_%02d_%1d.VOB" in a.OutputFolder.
bool OutputVobPath(const AuthorState& a, int title, int vobNo, Path& out);

}  // namespace vm
