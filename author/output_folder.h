// The output folder of a volume creation: the full-path rule, creation of
// missing folders, the refusal of the input folder under any name, and the
// clearing of old DVD files after asking.
#pragma once

#include "author/author_state.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Checks and, where missing, creates the folder named by `text`; sets
// a.OutputFolder (ending in '/'). Refuses a folder that holds any list's
// source file, by name (case ignored) or by identity (same device and inode
// after symlinks and ".."). 0 go on, 1 stopped after its "Error" message.
int PrepareOutputFolder(const TitleTables& t, AuthorState& a, Ui& ui, const char* text);

// Old *.VOB, *.IFO and *.BUP entries (any case, hidden ones included) in
// a.OutputFolder: asks, then deletes them. 0 go on, 1 stop (declined, or
// after its message).
int ClearOldOutputFiles(const AuthorState& a, Ui& ui);

}  // namespace vm
