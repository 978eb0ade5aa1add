// The two filters that may compact a chunk of packs in IoBuffer before the
// VOB writer numbers them: the interleave filter keeps one angle's
// interleaved units, the stream filter drops the packs of unused audio and
// subpicture streams and repairs the VOBU end addresses.
#pragma once

#include <cstdint>

#include "author/author_state.h"
#include "title/tables.h"

namespace vm {

struct FilterChunk {
  uint8_t* buf;
  int32_t first;     // packs at the start already filtered (the carry)
  int32_t packs;     // packs in the buffer
  int32_t carry;     // bytes of a partial VOBU held back (stream filter)
  bool listHasData;  // the list being read has bytes left after this chunk
};

// SrcVtsiCopy layout: VTSI bytes 0x100..0x2FF, then PGC bytes 0x0C..0xE3.
constexpr int kCopyVtsAstNsLow = 0x203 - 0x100;  // low byte of VTS_AST_Ns
constexpr int kCopyVtsSpstNsLow = 0x255 - 0x100; // low byte of VTS_SPST_Ns
constexpr int kCopyPgcAstCtl = 512 + (0x0C - 0x0C);  // 8 x 2 bytes
constexpr int kCopyPgcSpstCtl = 512 + (0x1C - 0x0C); // 32 x 4 bytes

// Audio codings as the packs tell them apart (KeepAudioSlot's first index).
constexpr int kAudioClassAc3 = 0, kAudioClassDts = 1, kAudioClassLpcm = 2, kAudioClassMpeg = 3;
constexpr int kAudioClasses = 4;
constexpr int kCopyVtsAstAtrt = 0x204 - 0x100;  // VTS_AST_ATRT, 8 bytes an entry

void SetUpFilters(const TitleTables& t, AuthorState& a, int title);

// The streams the title read has, from its source attributes (SrcVtsiCopy):
// bit n for logical stream n when the title set declares it and the
// program chain makes it available.
uint32_t SourceAudioStreams(const TitleTables& t, int title);
uint32_t SourceSubpicStreams(const TitleTables& t, int title);
void InterleaveFilter(AuthorState& a, FilterChunk& c);
void StreamFilter(AuthorState& a, FilterChunk& c);

}  // namespace vm
