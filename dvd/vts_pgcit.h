// A program chain information table: VTS_PGCIT, and each language unit of
// a menu table (VMGM_PGCI_UT, VTSM_PGCI_UT) has the same layout. A header,
// one search pointer per chain (its category and the chain's offset), then
// the chains. Several pointers may name one chain; it is kept once.
#pragma once

#include <cstdint>

#include "dvd/pgc.h"

namespace vm::dvd {

// PGCIT header and search pointer (PGCI_SRP), from the table's start.
constexpr uint32_t kPgcitCount = 0x00;
constexpr uint32_t kPgcitReserved = 0x02;
constexpr uint32_t kPgcitLastByte = 0x04;
constexpr uint32_t kPgcitSrps = 0x08;
constexpr uint32_t kSrpCategory = 0x00;  // entry id, block bits, parental mask
constexpr uint32_t kSrpPgcOffset = 0x04;
constexpr uint32_t kSrpBytes = 0x08;
static_assert(kPgcitSrps == kPgcitLastByte + 4);

// Chains of one information file, all tables together.
constexpr int kMaxPgcs = 1024;
// Search pointers of one table.
constexpr int kMaxPgcSrps = 999;

// Entry id bit of a title chain's category: the chain is a title's entry.
constexpr uint32_t kSrpEntryPgc = 0x80000000u;

struct PgcPool {
  int count;
  Pgc pgc[kMaxPgcs];
};

struct PgciSrp {
  uint32_t category;
  uint16_t pgc;  // index into the file's PgcPool
};

struct Pgcit {
  uint16_t reserved;
  int srpCount;
  PgciSrp srp[kMaxPgcSrps];
  // The chains in the order they lie, each once, and the bytes between the
  // search pointers and the first of them.
  int orderCount;
  uint16_t order[kMaxPgcSrps];
  Keep headGap;
  // Bytes after the table's end up to the next thing around it.
  Keep after;
};

// `limit`: the table must end by it. `name` starts each cause
// ("VTS_PGCIT", "VTSM_PGCI_UT: LU 2"). `end` is the table's declared end.
bool ReadPgcit(const IfoView& v, uint64_t at, uint64_t limit, const char* name, PgcPool& pool,
               Pgcit& t, uint64_t& end, IfoStatus& st);

// Lays the table out at `at`, chains in their order (a chain that a search
// pointer names and the order does not list follows them); `end` is the
// end of the table (its `after` bytes not included).
bool WritePgcit(IfoOut& out, uint64_t at, const Pgcit& t, const PgcPool& pgcs,
                const BytePool& bytes, const char* name, uint64_t& end, IfoStatus& st);

// The cell playback entries of every chain of the table at `at`, for the
// checks made on reading that look at a few fields of each cell and must
// not refuse a whole file for a table they do not need: `each(cell)` is
// called with the offset of each entry that lies wholly in the view. False
// when an offset or a count leads outside the view; the walk goes on past a
// chain that does, so what can be reached is still visited.
template <typename Each>
bool ForEachCellPlayback(const IfoView& v, uint64_t at, Each each) {
  uint32_t chains = 0;
  if (!v.U16(at + kPgcitCount, chains)) return false;
  bool whole = true;
  for (uint32_t i = 0; i < chains; ++i) {
    uint32_t offset = 0, cells = 0, table = 0;
    if (!v.U32(at + kPgcitSrps + uint64_t{kSrpBytes} * i + kSrpPgcOffset, offset)) return false;
    const uint64_t pgc = at + offset;
    if (!v.U8(pgc + kPgcCellCount, cells) || !v.U16(pgc + kPgcCellPlayback, table)) {
      whole = false;
      continue;
    }
    for (uint32_t c = 0; c < cells; ++c) {
      const uint64_t cell = pgc + table + uint64_t{kCellPlaybackBytes} * c;
      if (!v.Has(cell, kCellPlaybackBytes)) {
        whole = false;
        break;
      }
      each(cell);
    }
  }
  return whole;
}

}  // namespace vm::dvd
