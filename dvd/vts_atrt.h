// The title set attribute table (VTS_ATRT) of VIDEO_TS.IFO: for each title
// set, its category and a copy of its menu and title stream attributes.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kAtrtCount = 0x00;
constexpr uint32_t kAtrtReserved = 0x02;
constexpr uint32_t kAtrtLastByte = 0x04;
constexpr uint32_t kAtrtOffsets = 0x08;   // 4 bytes per title set, from the table's start
// One title set's record (VTS_ATRI).
constexpr uint32_t kAtrLastByte = 0x00;   // from the record's start
constexpr uint32_t kAtrCategory = 0x04;
constexpr uint32_t kAtrAttributes = 0x08; // as VTSI_MAT from its menu video attributes on
constexpr uint32_t kAtrAttributeBytes = 0x300;

constexpr int kMaxTitleSets = 99;

struct VtsAttributes {
  uint32_t category;
  int attributeCount;  // bytes of `attributes` the record holds
  uint8_t attributes[kAtrAttributeBytes];
  Keep tail;   // record bytes after the attributes known here
  Keep after;  // bytes after the record up to the next one or the table's end
};

struct VtsAtrt {
  uint16_t reserved;
  int count;
  VtsAttributes vts[kMaxTitleSets];
  Keep headGap;
};

bool ReadVtsAtrt(const IfoView& v, uint64_t at, uint64_t limit, VtsAtrt& t, uint64_t& end,
                 IfoStatus& st);
bool WriteVtsAtrt(IfoOut& out, uint64_t at, const VtsAtrt& t, const BytePool& bytes,
                  uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
