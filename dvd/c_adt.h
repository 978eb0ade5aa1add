// The cell address table (C_ADT) of the menu VOBs or the title VOBs: where
// each piece of each cell of each VOB lies, in sectors from the start of
// those VOBs.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kCadtVobCount = 0x00;
constexpr uint32_t kCadtReserved = 0x02;
constexpr uint32_t kCadtLastByte = 0x04;
constexpr uint32_t kCadtEntries = 0x08;
// One cell piece.
constexpr uint32_t kCadtVobId = 0x00;
constexpr uint32_t kCadtCellId = 0x02;
constexpr uint32_t kCadtEntryReserved = 0x03;
constexpr uint32_t kCadtStartSector = 0x04;
constexpr uint32_t kCadtLastSector = 0x08;
constexpr uint32_t kCadtEntryBytes = 0x0C;
static_assert(kCadtEntryBytes == kCadtLastSector + 4);

constexpr int kMaxCadtEntries = 32768;

struct CadtEntry {
  uint16_t vobId;
  uint8_t cellId;
  uint8_t reserved;
  uint32_t startSector;
  uint32_t lastSector;
};

struct Cadt {
  uint16_t vobCount;
  uint16_t reserved;
  int count;
  CadtEntry entry[kMaxCadtEntries];
  Keep inner;  // bytes after the last whole entry up to the table's end
};

// `name`: "VTS_C_ADT", "VTSM_C_ADT" or "VMGM_C_ADT".
bool ReadCadt(const IfoView& v, uint64_t at, uint64_t limit, const char* name, Cadt& t,
              uint64_t& end, IfoStatus& st);
bool WriteCadt(IfoOut& out, uint64_t at, const Cadt& t, const BytePool& bytes, const char* name,
               uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
