// The title search pointer table (TT_SRPT) of VIDEO_TS.IFO: one entry per
// title of the volume, naming its title set and where that set starts.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kTtSrptCount = 0x00;
constexpr uint32_t kTtSrptReserved = 0x02;
constexpr uint32_t kTtSrptLastByte = 0x04;
constexpr uint32_t kTtSrptEntries = 0x08;
// One title entry.
constexpr uint32_t kTtPlaybackType = 0x00;
constexpr uint32_t kTtAngles = 0x01;
constexpr uint32_t kTtChapters = 0x02;
constexpr uint32_t kTtParentalMask = 0x04;
constexpr uint32_t kTtVtsNumber = 0x06;
constexpr uint32_t kTtVtsTitle = 0x07;
constexpr uint32_t kTtVtsSector = 0x08;
constexpr uint32_t kTtEntryBytes = 0x0C;
static_assert(kTtEntryBytes == kTtVtsSector + 4);

constexpr int kMaxTitles = 99;

struct TtEntry {
  uint8_t playbackType;
  uint8_t angles;
  uint16_t chapters;
  uint16_t parentalMask;
  uint8_t vts;
  uint8_t vtsTitle;
  uint32_t vtsSector;  // first sector of the title set
};

struct TtSrpt {
  uint16_t reserved;
  int count;
  TtEntry title[kMaxTitles];
  Keep inner;  // bytes after the entries up to the table's end
};

bool ReadTtSrpt(const IfoView& v, uint64_t at, uint64_t limit, TtSrpt& t, uint64_t& end,
                IfoStatus& st);
bool WriteTtSrpt(IfoOut& out, uint64_t at, const TtSrpt& t, const BytePool& bytes, uint64_t& end,
                 IfoStatus& st);

}  // namespace vm::dvd
