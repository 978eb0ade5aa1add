// The part-of-title search pointer table (VTS_PTT_SRPT) of a title set: for
// each of its titles (TTU), one entry per chapter naming the program chain
// and the program where the chapter starts.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kPttSrptCount = 0x00;
constexpr uint32_t kPttSrptReserved = 0x02;
constexpr uint32_t kPttSrptLastByte = 0x04;
constexpr uint32_t kPttSrptOffsets = 0x08;  // 4 bytes per title, from the table's start
// One chapter entry.
constexpr uint32_t kPttPgcn = 0x00;
constexpr uint32_t kPttPgn = 0x02;
constexpr uint32_t kPttBytes = 0x04;

constexpr int kMaxTitleUnits = 99;
constexpr int kMaxPtts = 999;

struct Ptt {
  uint16_t pgcn;
  uint16_t pgn;
};

struct Ttu {
  int count;
  Ptt ptt[kMaxPtts];
  Keep tail;  // bytes after the last whole entry, up to the next title's
};

struct VtsPttSrpt {
  uint16_t reserved;
  int count;
  Ttu ttu[kMaxTitleUnits];
  Keep headGap;  // between the offsets and the first title's entries
};

bool ReadVtsPttSrpt(const IfoView& v, uint64_t at, uint64_t limit, VtsPttSrpt& t, uint64_t& end,
                    IfoStatus& st);
bool WriteVtsPttSrpt(IfoOut& out, uint64_t at, const VtsPttSrpt& t, const BytePool& bytes,
                     uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
