// How re-chaptering one title set in place moved the numbers that commands
// and buttons name: for each program chain of the title domain, the new
// number of each old program and cell, and for each title of the set the new
// number of each old chapter (part of title). Volume creation fills it while
// it splits cells; the jump rewriter reads it to make every jump land where
// it landed before.
#pragma once

#include <cstdint>

namespace vm {

constexpr int kRenumberMaxPgcs = 999;      // program chains of one VTS_PGCIT
constexpr int kRenumberMaxTitles = 99;     // titles of one title set
constexpr int kRenumberMaxPrograms = 255;  // programs of one program chain
constexpr int kRenumberMaxCells = 255;     // cells of one program chain
constexpr int kRenumberMaxPtts = 999;      // chapters of one title

struct PgcRenumber {
  uint16_t oldPrograms;  // counts before the edit
  uint16_t oldCells;
  // [old program, 1-based]: the new program that starts where the old one
  // started, or, where that start is no longer a program start, the new
  // program that holds it (and programRemoved says so).
  uint16_t newProgram[kRenumberMaxPrograms + 1];
  bool programRemoved[kRenumberMaxPrograms + 1];
  // [old cell, 1-based]: the new number of the cell's first piece.
  uint16_t newCell[kRenumberMaxCells + 1];
};

struct TitleRenumber {
  uint16_t oldPtts;
  // [old chapter, 1-based]: the new chapter that starts where the old one
  // started, or the one that now holds that place (pttRemoved).
  uint16_t newPtt[kRenumberMaxPtts + 1];
  bool pttRemoved[kRenumberMaxPtts + 1];
};

// One title set's renumbering; vtsNumber 0 means nothing was renumbered.
struct TitleSetRenumber {
  int vtsNumber;
  int pgcCount;  // program chains of the title domain (VTS_PGCIT)
  PgcRenumber pgc[kRenumberMaxPgcs + 1];   // [1-based program chain]
  int titleCount;  // titles of the set (VTS_PTT_SRPT)
  TitleRenumber title[kRenumberMaxTitles + 1];  // [1-based VTS title]
};

}  // namespace vm
