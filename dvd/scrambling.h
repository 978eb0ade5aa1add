// Telling a CSS-scrambled pack from a readable one: the PES header of a
// scrambled video or audio pack has its PES_scrambling_control bits set.
// Scrambled payloads decode to noise or nothing, so every reader that looks
// at packs refuses them rather than treat them as pictures or sound.
#pragma once

#include <cstdint>

namespace vm {

namespace css {

// MPEG-2 pack header: 14 bytes, the low 3 bits of the last one a count of
// stuffing bytes after it; then the first PES packet of the pack.
constexpr int kPackHeaderBytes = 14;
constexpr int kPackStuffingByte = 13;
constexpr uint8_t kPackStuffingMask = 0x07;
// Within the PES packet: its stream id, and the flags byte whose top two
// bits are '10' in an MPEG-2 PES header and whose next two are the
// scrambling control.
constexpr int kPesStreamId = 3;
constexpr int kPesFlags = 6;
constexpr uint8_t kPesMarkerMask = 0xC0, kPesMarker = 0x80;
constexpr uint8_t kPesScramblingMask = 0x30;
constexpr uint8_t kPrivateStream1 = 0xBD;  // AC-3, DTS, LPCM audio, subpictures

}  // namespace css

// `pack` is one 2048-byte sector. True for a pack that starts with the pack
// start code and holds a video (0xE0..0xEF), MPEG audio (0xC0..0xDF) or
// private stream 1 packet whose scrambling control is not 00.
inline bool IsScrambledPack(const uint8_t* pack) {
  if (pack[0] != 0 || pack[1] != 0 || pack[2] != 1 || pack[3] != 0xBA) return false;
  const uint8_t* pes =
      pack + css::kPackHeaderBytes + (pack[css::kPackStuffingByte] & css::kPackStuffingMask);
  if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1) return false;
  const uint8_t id = pes[css::kPesStreamId];
  const bool media =
      (id & 0xF0) == 0xE0 || (id >= 0xC0 && id <= 0xDF) || id == css::kPrivateStream1;
  if (!media) return false;
  const uint8_t flags = pes[css::kPesFlags];
  return (flags & css::kPesMarkerMask) == css::kPesMarker &&
         (flags & css::kPesScramblingMask) != 0;
}

}  // namespace vm
