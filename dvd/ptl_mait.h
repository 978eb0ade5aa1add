// The parental management table (PTL_MAIT) of VIDEO_TS.IFO: per country,
// for each of the eight parental levels, the mask of the volume and of
// every title set. Several countries may share one mask table; it is kept
// once.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kPtlCountryCount = 0x00;
constexpr uint32_t kPtlVtsCount = 0x02;
constexpr uint32_t kPtlLastByte = 0x04;
constexpr uint32_t kPtlCountries = 0x08;
// One country search pointer.
constexpr uint32_t kPtlCountryCode = 0x00;
constexpr uint32_t kPtlCountryReserved1 = 0x02;
constexpr uint32_t kPtlMaskOffset = 0x04;  // 2 bytes, from the table's start
constexpr uint32_t kPtlCountryReserved2 = 0x06;
constexpr uint32_t kPtlCountryBytes = 0x08;
constexpr int kPtlLevels = 8;              // each level: a 2-byte mask for the volume and each set

constexpr int kMaxPtlCountries = 64;
constexpr int kMaxPtlColumns = 100;        // the volume and up to 99 title sets

struct PtlMasks {
  uint16_t mask[kPtlLevels][kMaxPtlColumns];
  Keep after;  // bytes after it up to the next table of masks or the end
};

struct PtlCountry {
  uint16_t code;
  uint16_t reserved1;
  uint16_t reserved2;
  uint8_t masks;  // index into PtlMait::table
};

struct PtlMait {
  uint16_t vtsCount;
  int countryCount;
  PtlCountry country[kMaxPtlCountries];
  int tableCount;  // distinct mask tables, in the order they lie
  PtlMasks table[kMaxPtlCountries];
  Keep headGap;
};

bool ReadPtlMait(const IfoView& v, uint64_t at, uint64_t limit, PtlMait& t, uint64_t& end,
                 IfoStatus& st);
bool WritePtlMait(IfoOut& out, uint64_t at, const PtlMait& t, const BytePool& bytes,
                  uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
