// The time map table (VTS_TMAPT) of a title set: for each title program
// chain, the VOBU that plays at every step of its time unit.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kTmaptCount = 0x00;
constexpr uint32_t kTmaptReserved = 0x02;
constexpr uint32_t kTmaptLastByte = 0x04;
constexpr uint32_t kTmaptOffsets = 0x08;  // 4 bytes per map, from the table's start
// One time map.
constexpr uint32_t kTmapUnit = 0x00;      // seconds per entry
constexpr uint32_t kTmapReserved = 0x01;
constexpr uint32_t kTmapCount = 0x02;
constexpr uint32_t kTmapEntries = 0x04;
constexpr uint32_t kTmapEntryBytes = 4;   // top bit: a discontinuity follows

constexpr int kMaxTmaps = 999;
constexpr int kMaxTmapEntries = 1 << 18;  // all maps together

struct Tmap {
  uint8_t unit;
  uint8_t reserved;
  int first;   // index of its first entry in VtsTmapt::entry
  int count;
  Keep after;  // bytes after it up to the next map or the table's end
  // Several pointers may name one map: 0, or the 1-based number of the
  // earlier map this pointer shares (its fields are a copy of that one's;
  // the shared map is written once). Clear it to give the map its own.
  uint16_t sharedWith;
};

struct VtsTmapt {
  uint16_t reserved;
  int count;
  Tmap map[kMaxTmaps];
  Keep headGap;  // between the offsets and the first map
  int entryCount;
  uint32_t entry[kMaxTmapEntries];
};

bool ReadVtsTmapt(const IfoView& v, uint64_t at, uint64_t limit, VtsTmapt& t, uint64_t& end,
                  IfoStatus& st);
// Maps are written in their order, each after the one before.
bool WriteVtsTmapt(IfoOut& out, uint64_t at, const VtsTmapt& t, const BytePool& bytes,
                   uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
