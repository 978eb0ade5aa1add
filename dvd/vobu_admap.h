// The VOBU address map (VOBU_ADMAP) of the menu VOBs or the title VOBs: the
// first sector of every VOBU, in order.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

constexpr uint32_t kAdmapLastByte = 0x00;
constexpr uint32_t kAdmapEntries = 0x04;
constexpr uint32_t kAdmapEntryBytes = 4;

constexpr int kMaxVobus = 1 << 19;

struct VobuAdmap {
  int count;
  uint32_t sector[kMaxVobus];
  Keep inner;  // bytes after the last whole entry up to the table's end
};

// `name`: "VTS_VOBU_ADMAP", "VTSM_VOBU_ADMAP" or "VMGM_VOBU_ADMAP".
bool ReadVobuAdmap(const IfoView& v, uint64_t at, uint64_t limit, const char* name, VobuAdmap& t,
                   uint64_t& end, IfoStatus& st);
bool WriteVobuAdmap(IfoOut& out, uint64_t at, const VobuAdmap& t, const BytePool& bytes,
                    const char* name, uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
