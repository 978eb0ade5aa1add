// Reading a time-list entry's clock time back from its list line, and the
// elapsed-time step that the interval pass and the chapter list share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "title/tables.h"

namespace vm {

// A "%d"-style conversion of at most `n` characters of `s` (stopping early at
// a NUL): leading white space and one sign allowed, digits up to the first
// non-digit, no digits give 0. Values beyond int32 saturate.
int32_t DecimalPrefix(const char* s, size_t n);

// The entries the chapter operations walk: TimeListNum bounded to the
// table's capacity.
int32_t ChapterEntryCount(const TitleTables& t);

// The row time of entry i in milliseconds, from the "(hh:mm:ss.mmm)" part of
// its line. Lines of entries 100000 and above are one character longer, so
// the time is found after the line's '(' rather than at a fixed column. An
// entry without a line reads as 0.
int32_t RowTimeMs(const TitleTables& t, int32_t i);

// How much elapsed playing time the step from row time `prev` to `t` counts:
// the difference for a forward step of at most 2000 ms, else 500 ms (a clock
// that went back, stood still or jumped).
inline int32_t ElapsedStepMs(int32_t prev, int32_t t) {
  if (prev >= t || t > prev + 2000) return 500;
  return t - prev;
}

}  // namespace vm
