#include "author/output_options.h"

#include <cstdio>

namespace vm {

namespace {

constexpr int kMaxListBits = 32;
constexpr int kMaxNumberDigits = 2;

// One decimal number of at most two digits at `p`; advances past it.
bool TakeNumber(const char*& p, int& n) {
  int digits = 0;
  n = 0;
  while (*p >= '0' && *p <= '9') {
    if (++digits > kMaxNumberDigits) return false;
    n = n * 10 + (*p - '0');
    ++p;
  }
  return digits > 0;
}

}  // namespace

bool ParseStreamList(const char* text, int limit, uint32_t& bits) {
  if (limit > kMaxListBits) limit = kMaxListBits;
  uint32_t set = 0;
  const char* p = text;
  while (*p == ' ') ++p;
  if (*p == '\0') {
    bits = 0;
    return true;
  }
  while (true) {
    while (*p == ' ') ++p;
    int n = 0;
    if (!TakeNumber(p, n) || n >= limit) return false;
    set |= 1u << n;
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    if (*p++ != ',') return false;
  }
  bits = set;
  return true;
}

bool ParseRegionList(const char* text, int32_t& mask) {
  const char* p = text;
  while (*p == ' ') ++p;
  if (p[0] == 'a' && p[1] == 'l' && p[2] == 'l') {
    const char* rest = p + 3;
    while (*rest == ' ') ++rest;
    if (*rest == '\0') {
      mask = 0x00;
      return true;
    }
  }
  uint32_t regions = 0;
  // Regions count from 1: bit r of the list is region r.
  if (!ParseStreamList(text, kRegionCount + 1, regions) || regions == 0 || (regions & 1u)) return false;
  mask = static_cast<int32_t>(~(regions >> 1) & 0xFFu);
  return true;
}

void FormatStreamList(uint32_t bits, char* out, int outBytes) {
  int used = 0;
  out[0] = '\0';
  for (int n = 0; n < kMaxListBits && used < outBytes; ++n) {
    if (!(bits & (1u << n))) continue;
    const int w = std::snprintf(out + used, static_cast<size_t>(outBytes - used), used ? ",%d" : "%d", n);
    if (w < 0 || w >= outBytes - used) break;
    used += w;
  }
}

void ApplyOutputOptions(TitleTables& t, const OutputOptions& o) {
  t.RegionMask = o.regionMask;
  t.WholeDisc = o.wholeDisc;
  for (int n = 0; n < kAudioStreamSlots; ++n) t.DC_A_Use[0][n] = (o.dropAudio >> n) & 1u ? 0 : 1;
  for (int n = 0; n < kSubpicStreamSlots; ++n) t.DC_C_Use[0][n] = (o.dropSubpicture >> n) & 1u ? 0 : 1;
}

}  // namespace vm
