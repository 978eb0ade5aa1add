// Rewrites the VOBU search information of every navigation pack of a title
// in place, from the per-VOBU tables of the VOB writer.
#pragma once

#include "author/author_state.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// 0 done, 1 a navigation pack could not be read or written back.
int UpdateVobuPointers(const TitleTables& t, AuthorState& a, Ui& ui, int title);

}  // namespace vm
