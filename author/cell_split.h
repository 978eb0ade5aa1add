// Re-chaptering one title set in place: where the cells of its title
// domain are cut, which program chains list the pieces, and how their
// programs and the titles' chapters change. Pure: it works on the layout
// (sectors, cell ids, program maps, chapter tables) and leaves the bytes of
// the tables to the caller.
//
// A chapter point is a place in the content (the first sector of a VOBU).
// A new point inside a cell cuts that cell there, in the cell address table
// and in every program chain that plays it; every program chain that plays
// the place gets a program starting there, and each title whose chapters
// name that program chain a chapter. A point taken away removes the
// program starting there from every program chain, except a program
// chain's first program. Cells once cut stay cut.
#pragma once

#include <cstdint>

#include "author/renumber_map.h"

namespace vm {

constexpr int kMaxAdtCells = 16384;  // cell address entries of one title domain
constexpr int kMaxSplitPoints = 999;

struct SplitCellRef {
  uint32_t first;  // first and last sector in the title set's VOB numbering
  uint32_t last;
  uint16_t vobId;
  uint8_t cellId;
};

struct SplitPgc {
  int cellCount;
  SplitCellRef cell[kRenumberMaxCells];
  // Filled in the result: the source cell (0-based) each piece comes from.
  uint8_t srcCell[kRenumberMaxCells];
  int programCount;
  uint8_t programCell[kRenumberMaxPrograms];  // entry cell of each program, 1-based
};

struct SplitPtt {
  uint16_t pgcn;
  uint16_t pgn;
};

struct SplitTitle {
  int pttCount;
  SplitPtt ptt[kRenumberMaxPtts];
};

// A title domain as the plan sees it: program chains 1..pgcCount in
// pgc[0..pgcCount-1], titles 1..titleCount in title[], the cell address
// table in adt[].
struct SplitLayout {
  int pgcCount;
  SplitPgc pgc[kRenumberMaxPgcs];
  int titleCount;
  SplitTitle title[kRenumberMaxTitles];
  int adtCount;
  SplitCellRef adt[kMaxAdtCells];
};

enum class SplitResult : uint8_t {
  Done,
  TooManyCells,     // a program chain or a VOB would pass 255 cells
  TooManyPrograms,  // a program chain would pass 255 programs
  TooManyChapters,  // a title would pass its chapter capacity
  TooManyAdtCells,  // the cell address table would pass its capacity
  BadLayout,        // a program names a cell that is not there
};

// The chosen program chain's chapter points now are `marks` (first sectors
// of VOBUs it plays, any order; points outside its cells are ignored).
// Writes the new layout into `out` and how the numbers moved into `map`
// (vtsNumber left to the caller). `in` and `out` must be distinct.
SplitResult PlanCellSplit(const SplitLayout& in, int chosenPgc, const uint32_t* marks,
                          int markCount, SplitLayout& out, TitleSetRenumber& map);

// The first sector of each program of program chain `pgc` (0-based) of
// `layout`, in program order; returns the count written (at most `cap`).
int ProgramStarts(const SplitLayout& layout, int pgc, uint32_t* starts, int cap);

}  // namespace vm
