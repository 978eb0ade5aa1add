// The navigation pack (NV_PCK) that starts every VOBU: its presentation
// control information (PCI) and data search information (DSI). Offsets are
// from the start of the 2048-byte pack.
#pragma once

#include <cstdint>

namespace vm::dvd {

constexpr int kPackBytes = 2048;

constexpr uint32_t kPackStartCode = 0x000001BA;
constexpr uint32_t kSystemHeaderCode = 0x000001BB;  // a navigation pack's, after the pack header
constexpr int kPackStreamIdOffset = 14;              // 00 00 01 xx after the pack header
constexpr int kPesHeaderLengthAt = 22;   // PES header data length; the substream follows it
constexpr uint8_t kPrivateStream1 = 0xBD;
constexpr uint8_t kMpegAudioFirst = 0xC0;     // MPEG audio streams 0xC0..0xC7
constexpr uint8_t kMpegAudioExtFirst = 0xD0;  // their extension streams 0xD0..0xD7

// PCI_GI.
constexpr int kNavPciLbn = 0x2D;
constexpr int kNavVobuCategory = 0x31;
constexpr int kNavPciReserved = 0x33;
constexpr int kNavVobuUopCtl = 0x35;
constexpr int kNavVobuSPtm = 0x39;
constexpr int kNavVobuEPtm = 0x3D;
constexpr int kNavVobuSeEPtm = 0x41;
constexpr int kNavPciEltm = 0x45;       // E_ELTM, BCD hh mm ss ff: cell time at this VOBU
constexpr int kNavVobuIsrc = 0x49;      // 32 bytes
constexpr int kNavNsmlAgli = 0x69;      // 9 x 4 bytes
constexpr int kNavNsmlAgliBytes = 36;
constexpr int kNavHli = 0x8D;           // highlight information: button table
constexpr int kNavIsrcBytes = 32;
static_assert(kNavNsmlAgli == kNavVobuIsrc + kNavIsrcBytes);
static_assert(kNavHli == kNavNsmlAgli + kNavNsmlAgliBytes);

// DSI_GI.
constexpr int kNavDsiScr = 0x407;
constexpr int kNavDsiLbn = 0x40B;
constexpr int kNavVobuEa = 0x40F;
constexpr int kNavRefEa = 0x413;        // 1st, 2nd, 3rd REF_EA, 4 bytes each
constexpr int kNavVobIdn = 0x41F;
constexpr int kNavCellIdnHigh = 0x421;
constexpr int kNavCellIdn = 0x422;
constexpr int kNavDsiCEltm = 0x423;     // C_ELTM
constexpr int kNavSmlPbi = 0x427;       // first byte: VOBU category
constexpr int kNavSmlPbiBytes = 12;
constexpr int kNavSmlAgli = 0x4BB;
constexpr int kNavSmlAgliBytes = 54;
constexpr int kNavCellMarker = 0x7F0;   // 5A A5: a cell this program started
static_assert(kNavVobIdn == kNavRefEa + 3 * 4);
static_assert(kNavSmlPbi == kNavDsiCEltm + 4);

// VOBU_SRI.
constexpr int kSriNextVideo = 0x4F1;
constexpr int kSriForward = 0x4F5;      // + 4 * (18 - step)
constexpr int kSriNext = 0x541;
constexpr int kSriPrev = 0x545;
constexpr int kSriBackward = 0x549;     // + 4 * step
constexpr int kSriPrevVideo = 0x595;
constexpr int kNavSynci = 0x599;
constexpr int kNavSynciBytes = 144;
constexpr int kASyncaBytes = 2;           // A_SYNCA of audio stream n at kNavSynci + 2n
constexpr int kASyncaMaxOffset = 0x7FFF;  // packs after the navigation pack; bit 15 says before it
static_assert(kSriNextVideo == kNavSmlAgli + kNavSmlAgliBytes);
static_assert(kNavSynci == kSriPrevVideo + 4);

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

struct PciGi {
  uint32_t lbn;
  uint16_t vobuCategory;
  uint16_t reserved;
  uint32_t uopCtl;
  uint32_t startPtm;
  uint32_t endPtm;
  uint32_t sequenceEndPtm;
  uint8_t eltm[4];
  uint8_t isrc[kNavIsrcBytes];
};

struct DsiGi {
  uint32_t scr;
  uint32_t lbn;
  uint32_t vobuEa;
  uint32_t refEa[3];
  uint16_t vobId;
  uint8_t cellIdHigh;
  uint8_t cellId;
  uint8_t cellEltm[4];
};

// `pack` is a whole 2048-byte pack; the bytes the structs do not name stay
// as they are when writing.
void ReadPciGi(const uint8_t* pack, PciGi& g);
void WritePciGi(uint8_t* pack, const PciGi& g);
void ReadDsiGi(const uint8_t* pack, DsiGi& g);
void WriteDsiGi(uint8_t* pack, const DsiGi& g);

}  // namespace vm::dvd
