// The menu program chain table (VMGM_PGCI_UT in VIDEO_TS.IFO, VTSM_PGCI_UT
// in a title set's): a header, one search pointer per language (code,
// extension, the menus it has, the unit's offset), then the language units,
// each a program chain table of its own. Several languages may share one
// unit; it is kept once.
#pragma once

#include <cstdint>

#include "dvd/vts_pgcit.h"

namespace vm::dvd {

constexpr uint32_t kUtLuCount = 0x00;
constexpr uint32_t kUtReserved = 0x02;
constexpr uint32_t kUtLastByte = 0x04;
constexpr uint32_t kUtLuSrps = 0x08;
// LU search pointer.
constexpr uint32_t kLuSrpLanguage = 0x00;   // ISO 639, 2 bytes
constexpr uint32_t kLuSrpExtension = 0x02;
constexpr uint32_t kLuSrpMenus = 0x03;      // menus present in the unit
constexpr uint32_t kLuSrpOffset = 0x04;
constexpr uint32_t kLuSrpBytes = 0x08;
static_assert(kUtLuSrps == kUtLastByte + 4);

constexpr int kMaxLanguageUnits = 99;

struct LuSrp {
  uint16_t language;
  uint8_t extension;
  uint8_t menus;
  uint8_t unit;  // index into PgciUt::unit
};

struct PgciUt {
  uint16_t reserved;
  int luCount;
  LuSrp lu[kMaxLanguageUnits];
  int unitCount;              // distinct units, in the order they lie
  Pgcit unit[kMaxLanguageUnits];
  Keep headGap;               // between the search pointers and the first unit
};

bool ReadPgciUt(const IfoView& v, uint64_t at, uint64_t limit, const char* name, PgcPool& pool,
                PgciUt& t, uint64_t& end, IfoStatus& st);
bool WritePgciUt(IfoOut& out, uint64_t at, const PgciUt& t, const PgcPool& pgcs,
                 const BytePool& bytes, const char* name, uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
