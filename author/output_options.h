// What is written besides the chapters, as both front ends offer it: the
// region mask of VIDEO_TS.IFO, audio and subpicture streams left out, and
// whether the whole disc is written back. Parsed from the same text forms
// ("all" or "1,4"; "0,2") and applied to the tables the same way.
#pragma once

#include <cstdint>

#include "title/tables.h"

namespace vm {

constexpr int kRegionCount = 8;
// RegionMask value that keeps the source's mask (or the region rule).
constexpr int32_t kRegionMaskOfSource = -1;

struct OutputOptions {
  int32_t regionMask = kRegionMaskOfSource;  // 0..255: a set bit keeps that region from playing
  uint32_t dropAudio = 0;                    // bit n: audio stream n (0-based) left out
  uint32_t dropSubpicture = 0;               // bit n: subpicture stream n left out
  int32_t wholeDisc = 0;
};

// "all" (every region plays: mask 0) or "N[,N...]" with N in 1..8 (only
// those play). False, `mask` unchanged, on anything else.
bool ParseRegionList(const char* text, int32_t& mask);

// "N[,N...]" with each N below `limit` (at most 32) as a bit set; an empty
// text is the empty set. False, `bits` unchanged, on anything else.
bool ParseStreamList(const char* text, int limit, uint32_t& bits);

// The set back as text, lowest first: "1,4" ("" for none), `out` at least
// 96 bytes.
void FormatStreamList(uint32_t bits, char* out, int outBytes);

// Sets the region mask and the whole-disc choice and marks the chosen
// title's streams used or left out, so that options applied again after a
// change leave no stream out from the time before.
void ApplyOutputOptions(TitleTables& t, const OutputOptions& o);

}  // namespace vm
