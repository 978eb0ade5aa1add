// The text data manager (TXTDT_MG) of VIDEO_TS.IFO: the volume's name and
// one pointer per language to its text. The text itself is kept as it is.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kTxtdtDiscName = 0x00;  // 12 bytes
constexpr uint32_t kTxtdtReserved = 0x0C;
constexpr uint32_t kTxtdtLuCount = 0x0E;
constexpr uint32_t kTxtdtLastByte = 0x10;
constexpr uint32_t kTxtdtLus = 0x14;
// One language pointer.
constexpr uint32_t kTxtLuLanguage = 0x00;
constexpr uint32_t kTxtLuReserved = 0x02;
constexpr uint32_t kTxtLuCharSet = 0x03;
constexpr uint32_t kTxtLuOffset = 0x04;    // from the table's start
constexpr uint32_t kTxtLuBytes = 0x08;
constexpr uint32_t kTxtdtNameBytes = 12;
static_assert(kTxtdtReserved == kTxtdtDiscName + kTxtdtNameBytes);

constexpr int kMaxTextLanguages = 99;

struct TxtLu {
  uint16_t language;
  uint8_t reserved;
  uint8_t charSet;
  uint32_t offset;
};

struct TxtdtMg {
  uint8_t discName[kTxtdtNameBytes];
  uint16_t reserved;
  int luCount;
  TxtLu lu[kMaxTextLanguages];
  Keep body;  // the texts, after the pointers up to the table's end
};

bool ReadTxtdtMg(const IfoView& v, uint64_t at, uint64_t limit, TxtdtMg& t, uint64_t& end,
                 IfoStatus& st);
bool WriteTxtdtMg(IfoOut& out, uint64_t at, const TxtdtMg& t, const BytePool& bytes,
                  uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
