#pragma once

// Variable-length code tables and constant tables of MPEG-2 video, turned
// once into direct lookup tables indexed by the next 16 bits of the stream.

#include <cstdint>

namespace vm::mpeg2 {

// One decoded table entry: the code's length in bits (0 = not a code) and
// the value it stands for.
struct VlcCode {
  uint8_t bits;
  int16_t value;
};

// A DCT coefficient code: run and level without the sign bit. Run 64 marks
// end of block, run 65 the escape.
struct DctCode {
  uint8_t bits;
  uint8_t run;
  uint8_t level;
};

constexpr int kEndOfBlock = 64;
constexpr int kEscape = 65;
constexpr int kMacroblockEscape = 255;
constexpr uint8_t kDctSecondStep = 0xFF;  // DctCode::bits of a first-step slot of long codes

// macroblock_type flags.
constexpr int kMbQuant = 0x10;
constexpr int kMbForward = 0x08;
constexpr int kMbBackward = 0x04;
constexpr int kMbPattern = 0x02;
constexpr int kMbIntra = 0x01;

struct LookupTables {
  VlcCode addressIncrement[1 << 11];  // indexed by 11 bits
  VlcCode mbTypeI[1 << 2];
  VlcCode mbTypeP[1 << 6];
  VlcCode mbTypeB[1 << 6];
  VlcCode codedBlockPattern[1 << 9];
  VlcCode motionCode[1 << 11];
  VlcCode dmVector[1 << 2];
  VlcCode dcSizeLuma[1 << 9];
  VlcCode dcSizeChroma[1 << 10];
  // Coefficient codes in two steps, indexed by the 16 bits after the
  // current position (the sign bit left out): the first 10 bits pick a
  // code of up to 10 bits, or kDctSecondStep for the longer codes, all of
  // which begin with seven zeros; the low 9 bits then pick one of those.
  DctCode dctShort[2][1 << 10];  // [intra_vlc_format]
  DctCode dctLong[2][1 << 9];
  uint8_t rasterOfScan[2][64];  // [alternate][scan position]
};

// Built on first use; lives for the run.
const LookupTables& Tables();

// Scan position of each raster position: [alternate][raster].
extern const uint8_t kScanOfRaster[2][64];
// Raster position of each zigzag position.
extern const uint8_t kZigzagToRaster[64];
// quantiser_scale by [q_scale_type][quantiser_scale_code].
extern const uint8_t kQuantiserScale[2][32];
// The default intra quantiser matrix, raster order.
extern const uint8_t kDefaultIntraMatrix[64];

}  // namespace vm::mpeg2
