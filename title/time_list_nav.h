// The four navigation buttons of the time list: "up"/"dw" walk between cell
// starts, "UP"/"DW" between chapter marks, from the top visible line.
#pragma once

#include <cstdint>

#include "title/tables.h"

namespace vm {

enum class NavButton {
  CellUp,       // "up"
  CellDown,     // "dw"
  ChapterUp,    // "UP"
  ChapterDown,  // "DW"
};

// The line to make the top line and select, starting from `top` (the top
// visible line), or -1 for nothing (busy, empty list, or no line found).
// The backward search always ends at entry 0; the forward one may find
// nothing. The shell refreshes the preview in every case.
int32_t NavigateTimeList(const TitleTables& t, NavButton button, int32_t top);

}  // namespace vm
