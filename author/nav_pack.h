// Navigation pack (NV_PCK) fields that the writer, the filters and the
// VOBU pointer update read or write; offsets from the start of the pack.
#pragma once

#include <cstdint>

namespace vm {

constexpr int kPackBytes = 2048;

constexpr int kPackStreamIdOffset = 14;  // 00 00 01 xx after the pack header
constexpr int kPesHeaderLengthAt = 22;   // PES header data length; the substream follows it
constexpr uint8_t kPrivateStream1 = 0xBD;
constexpr uint8_t kMpegAudioFirst = 0xC0;     // MPEG audio streams 0xC0..0xC7
constexpr uint8_t kMpegAudioExtFirst = 0xD0;  // their extension streams 0xD0..0xD7
constexpr int kNavPciLbn = 0x2D;
constexpr int kNavVobuUopCtl = 0x35;
constexpr int kNavPciEltm = 0x45;       // E_ELTM
constexpr int kNavNsmlAgli = 0x69;
constexpr int kNavNsmlAgliBytes = 36;
constexpr int kNavDsiLbn = 0x40B;
constexpr int kNavVobuEa = 0x40F;
constexpr int kNavRefEa = 0x413;        // 1st, 2nd, 3rd REF_EA, 4 bytes each
constexpr int kNavVobIdn = 0x41F;
constexpr int kNavCellIdnHigh = 0x421;
constexpr int kNavCellIdn = 0x422;
constexpr int kNavDsiCEltm = 0x423;     // C_ELTM
constexpr int kNavSmlPbi = 0x427;       // first byte: category
constexpr int kNavSmlPbiBytes = 12;
constexpr int kNavSmlAgli = 0x4BB;
constexpr int kNavSmlAgliBytes = 54;
constexpr int kNavSynci = 0x599;
constexpr int kNavSynciBytes = 144;
constexpr int kASyncaBytes = 2;           // A_SYNCA of audio stream n at kNavSynci + 2n
constexpr int kASyncaMaxOffset = 0x7FFF;  // packs after the navigation pack; bit 15 says before it

constexpr int kNavCellMarker = 0x7F0;   // 5A A5: a cell this program started

// VOBU_SRI.
constexpr int kSriNextVideo = 0x4F1;
constexpr int kSriForward = 0x4F5;      // + 4 * (18 - step)
constexpr int kSriNext = 0x541;
constexpr int kSriPrev = 0x545;
constexpr int kSriBackward = 0x549;     // + 4 * step
constexpr int kSriPrevVideo = 0x595;

// Interleaved-unit category bits of SML_PBI.
constexpr uint8_t kIlvuUnitStart = 0x20;
constexpr uint8_t kIlvuAnyBits = 0x70;

inline bool IsPackStart(const uint8_t* p) {
  return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA;
}

inline bool HasStreamId(const uint8_t* p, uint8_t id) {
  const uint8_t* s = p + kPackStreamIdOffset;
  return s[0] == 0 && s[1] == 0 && s[2] == 1 && s[3] == id;
}

// A damaged pack (no pack start code) is never taken for a navigation pack.
inline bool IsNavPack(const uint8_t* p) { return IsPackStart(p) && HasStreamId(p, 0xBB); }

inline bool IsVideoPack(const uint8_t* p) {
  const uint8_t* s = p + kPackStreamIdOffset;
  return s[0] == 0 && s[1] == 0 && s[2] == 1 && (s[3] & 0xF0) == 0xE0;
}

}  // namespace vm
