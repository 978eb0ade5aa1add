// The text side of the time list: the list-box lines and the three labels,
// kept in the tables for the shells to show.
#pragma once

#include <cstdint>

#include "title/tables.h"

namespace vm {

// Fixed positions in a line (entries below 100000; one more from 100000 on,
// after the mark characters).
constexpr int kLineChapterMarkPos = 1;
constexpr int kLineCellMarkPos = 2;
constexpr int kLineNumberPos = 3;

// " %c%c%05d (%02d:%02d:%02d.%03d)" for a 1-based entry number and a 32-bit
// SCR time. `out` holds at least kLineBytes.
void FormatTimeListLine(char* out, char chapterMark, char cellMark, int32_t entryNumber,
                        uint32_t scr);

// List-box operations on the line table.
void EmptyListBox(TitleTables& t);
void AppendListLine(TitleTables& t, const char* text);
// Rewrites character 1 of line i ('>' or ' ').
void SetLineChapterMark(TitleTables& t, int32_t i, bool marked);

// "S:%05d 〜" and "E:%05d" from RangeStart + 1 and RangeEnd + 1.
void SetRangeLabels(TitleTables& t);
// "Size: %d.%03d GB" from a size in thousandths of 2^30 bytes.
void SetSizeLabel(TitleTables& t, int32_t thousandths);

}  // namespace vm
