#include "cli/stream_presence_check.h"

#include "dvd/nav_pack.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

// VTSI_MAT: each count read as 16 bits ending at its byte.
constexpr size_t kVtsAstNs = dvd::kVtsiAudioCount - 1;
constexpr size_t kVtsAstAtrt = dvd::kVtsiAudio;  // 8 entries of 8 bytes
constexpr size_t kAstBytes = dvd::kAudioAttrBytes;
constexpr size_t kVtsSpstNs = dvd::kVtsiSubpCount - 1;
constexpr size_t kVtsSpstAtrt = dvd::kVtsiSubp;  // 32 entries of 6 bytes
constexpr size_t kSpstBytes = dvd::kSubpAttrBytes;
constexpr int kAudioSlots = dvd::kMaxAudioStreams, kSubpicSlots = dvd::kMaxSubpStreams;

// Audio coding mode, bits 7-5 of the attribute's first byte.
constexpr int kCodingAc3 = 0, kCodingMpeg1 = 2, kCodingMpeg2 = 3, kCodingLpcm = 4,
              kCodingDts = 6;

constexpr int kPackStreamId = dvd::kPackStreamIdOffset + 3;  // after 00 00 01
constexpr int kPesHeaderLength = dvd::kPesHeaderLengthAt;    // the substream number follows the header

std::string Language(const uint8_t* code) {
  if (code[0] < 'a' || code[0] > 'z' || code[1] < 'a' || code[1] > 'z') return "";
  return std::string(", language ") + static_cast<char>(code[0]) + static_cast<char>(code[1]);
}

}  // namespace

void PackStreams::Note(const uint8_t* p) {
  if (p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] != 0xBA) return;
  if (p[14] != 0 || p[15] != 0 || p[16] != 1) return;
  const int id = p[kPackStreamId];
  if (id == 0xBD) {
    const int sub = p[kPesHeaderLength + 1 + p[kPesHeaderLength]];
    if (sub >= 0x20 && sub <= 0x3F) subpic |= 1u << (sub & 0x1F);
    else if (sub >= 0x80 && sub <= 0x87) ac3 |= static_cast<uint8_t>(1u << (sub & 7));
    else if (sub >= 0x88 && sub <= 0x8F) dts |= static_cast<uint8_t>(1u << (sub & 7));
    else if (sub >= 0xA0 && sub <= 0xA7) lpcm |= static_cast<uint8_t>(1u << (sub & 7));
  } else if ((id >= 0xC0 && id <= 0xC7) || (id >= 0xD0 && id <= 0xD7)) {
    mpeg |= static_cast<uint8_t>(1u << (id & 7));
  }
}

void PackStreams::Add(const PackStreams& o) {
  ac3 |= o.ac3;
  dts |= o.dts;
  lpcm |= o.lpcm;
  mpeg |= o.mpeg;
  subpic |= o.subpic;
}

std::vector<std::string> DeclaredStreamsWithoutPacks(const uint8_t* mat, size_t matBytes,
                                                     const uint16_t audioControl[8],
                                                     const uint32_t subpicControl[32],
                                                     const PackStreams& packs) {
  std::vector<std::string> out;
  const auto field = [&](size_t at) -> int {
    return at + 1 < matBytes ? (mat[at] << 8) | mat[at + 1] : 0;
  };
  const int audio = field(kVtsAstNs) < kAudioSlots ? field(kVtsAstNs) : kAudioSlots;
  for (int i = 0; i < audio; ++i) {
    const size_t at = kVtsAstAtrt + kAstBytes * static_cast<size_t>(i);
    if (at + kAstBytes > matBytes || !(audioControl[i] & 0x8000)) continue;
    const int n = (audioControl[i] >> 8) & 7;
    const char* coding = "unknown coding";
    bool carried = true;
    switch (mat[at] >> 5) {
      case kCodingAc3: coding = "AC-3"; carried = packs.ac3 & (1u << n); break;
      case kCodingMpeg1:
      case kCodingMpeg2: coding = "MPEG audio"; carried = packs.mpeg & (1u << n); break;
      case kCodingLpcm: coding = "linear PCM"; carried = packs.lpcm & (1u << n); break;
      case kCodingDts: coding = "DTS"; carried = packs.dts & (1u << n); break;
      default: break;  // a coding the packs cannot be told by
    }
    if (!carried)
      out.push_back("audio stream " + std::to_string(i) + " (" + coding + " stream " +
                    std::to_string(n) + Language(mat + at + 2) +
                    ") is declared, but no pack of the title carries it");
  }
  const int subpic = field(kVtsSpstNs) < kSubpicSlots ? field(kVtsSpstNs) : kSubpicSlots;
  for (int i = 0; i < subpic; ++i) {
    const size_t at = kVtsSpstAtrt + kSpstBytes * static_cast<size_t>(i);
    const uint32_t c = subpicControl[i];
    if (at + kSpstBytes > matBytes || !(c & 0x80000000u)) continue;
    bool carried = false;
    for (int shift : {24, 16, 8, 0})
      carried = carried || (packs.subpic & (1u << ((c >> shift) & 0x1F)));
    if (!carried)
      out.push_back("subpicture stream " + std::to_string(i) + " (stream " +
                    std::to_string((c >> 24) & 0x1F) + Language(mat + at + 2) +
                    ") is declared, but no pack of the title carries it");
  }
  return out;
}

}  // namespace vm
