// The title set information of one written title: cell and title playback
// times, then VTS_tt_0.IFO and its identical VTS_tt_0.BUP.
#pragma once

#include <cstddef>
#include <cstdint>

#include "author/author_state.h"
#include "title/tables.h"

namespace vm {

// The image holds the largest VTSI the tables can describe (255 cells,
// a full time map and VOBU address map come to 394 sectors).
constexpr int kVtsiImageSectors = 512;
constexpr size_t kVtsiImageBytes = static_cast<size_t>(kVtsiImageSectors) * kSectorBytes;

// Result codes of WriteVtsi.
constexpr int kVtsiDone = 0;
constexpr int kVtsiFileError = 1;   // creating or writing the IFO or BUP failed
constexpr int kVtsiTooLarge = 2;    // counts beyond the tables or the image

// From the cells' presentation times (a.CellTicks): Time[title][p],
// PrgTimeCode[title][p] for every cell and TotalTimeCode[title], the codes
// at the title's own rate (a.TitlePal).
void ComputeProgramTimeCodes(TitleTables& t, const AuthorState& a, int title);

// Lays out the VTSI of `title` into `image` (kVtsiImageBytes, zeroed here)
// and sets VtsInfoBlockLen[title]. kVtsiDone or kVtsiTooLarge.
int BuildVtsi(TitleTables& t, const AuthorState& a, int title, uint8_t* image);

// BuildVtsi into the writer's own image, then the two files in a.OutputFolder.
int WriteVtsi(TitleTables& t, const AuthorState& a, int title);

}  // namespace vm
