#include "play/mpeg2_tables.h"

#include <cstddef>

namespace vm::mpeg2 {

namespace {

// The standard's code tables, written as (length, code, value).
struct SourceCode {
  uint8_t bits;
  uint16_t code;
  int16_t value;
};

struct SourceDct {
  uint8_t bits;
  uint16_t code;
  uint8_t run;
  uint8_t level;
};

constexpr SourceCode kAddressIncrement[] = {
    {1, 0x1, 1},    {3, 0x3, 2},    {3, 0x2, 3},    {4, 0x3, 4},    {4, 0x2, 5},
    {5, 0x3, 6},    {5, 0x2, 7},    {7, 0x7, 8},    {7, 0x6, 9},    {8, 0xB, 10},
    {8, 0xA, 11},   {8, 0x9, 12},   {8, 0x8, 13},   {8, 0x7, 14},   {8, 0x6, 15},
    {10, 0x17, 16}, {10, 0x16, 17}, {10, 0x15, 18}, {10, 0x14, 19}, {10, 0x13, 20},
    {10, 0x12, 21}, {11, 0x23, 22}, {11, 0x22, 23}, {11, 0x21, 24}, {11, 0x20, 25},
    {11, 0x1F, 26}, {11, 0x1E, 27}, {11, 0x1D, 28}, {11, 0x1C, 29}, {11, 0x1B, 30},
    {11, 0x1A, 31}, {11, 0x19, 32}, {11, 0x18, 33}, {11, 0x8, kMacroblockEscape},
};

constexpr SourceCode kMbTypeI[] = {
    {1, 1, kMbIntra},
    {2, 1, kMbQuant | kMbIntra},
};

constexpr SourceCode kMbTypeP[] = {
    {1, 1, kMbForward | kMbPattern},
    {2, 1, kMbPattern},
    {3, 1, kMbForward},
    {5, 3, kMbIntra},
    {5, 2, kMbQuant | kMbForward | kMbPattern},
    {5, 1, kMbQuant | kMbPattern},
    {6, 1, kMbQuant | kMbIntra},
};

constexpr SourceCode kMbTypeB[] = {
    {2, 2, kMbForward | kMbBackward},
    {2, 3, kMbForward | kMbBackward | kMbPattern},
    {3, 2, kMbBackward},
    {3, 3, kMbBackward | kMbPattern},
    {4, 2, kMbForward},
    {4, 3, kMbForward | kMbPattern},
    {5, 3, kMbIntra},
    {5, 2, kMbQuant | kMbForward | kMbBackward | kMbPattern},
    {6, 3, kMbQuant | kMbForward | kMbPattern},
    {6, 2, kMbQuant | kMbBackward | kMbPattern},
    {6, 1, kMbQuant | kMbIntra},
};

constexpr SourceCode kCodedBlockPattern[] = {
    {3, 0x7, 60},  {4, 0xD, 4},   {4, 0xC, 8},   {4, 0xB, 16},  {4, 0xA, 32},
    {5, 0x13, 12}, {5, 0x12, 48}, {5, 0x11, 20}, {5, 0x10, 40}, {5, 0xF, 28},
    {5, 0xE, 44},  {5, 0xD, 52},  {5, 0xC, 56},  {5, 0xB, 1},   {5, 0xA, 61},
    {5, 0x9, 2},   {5, 0x8, 62},  {6, 0xF, 24},  {6, 0xE, 36},  {6, 0xD, 3},
    {6, 0xC, 63},  {7, 0x17, 5},  {7, 0x16, 9},  {7, 0x15, 17}, {7, 0x14, 33},
    {7, 0x13, 6},  {7, 0x12, 10}, {7, 0x11, 18}, {7, 0x10, 34}, {8, 0x1F, 7},
    {8, 0x1E, 11}, {8, 0x1D, 19}, {8, 0x1C, 35}, {8, 0x1B, 13}, {8, 0x1A, 49},
    {8, 0x19, 21}, {8, 0x18, 41}, {8, 0x17, 14}, {8, 0x16, 50}, {8, 0x15, 22},
    {8, 0x14, 42}, {8, 0x13, 15}, {8, 0x12, 51}, {8, 0x11, 23}, {8, 0x10, 43},
    {8, 0xF, 25},  {8, 0xE, 37},  {8, 0xD, 26},  {8, 0xC, 38},  {8, 0xB, 29},
    {8, 0xA, 45},  {8, 0x9, 53},  {8, 0x8, 57},  {8, 0x7, 30},  {8, 0x6, 46},
    {8, 0x5, 54},  {8, 0x4, 58},  {9, 0x7, 31},  {9, 0x6, 47},  {9, 0x5, 55},
    {9, 0x4, 59},  {9, 0x3, 27},  {9, 0x2, 39},  {9, 0x1, 0},
};

constexpr SourceCode kMotionCode[] = {
    {1, 0x1, 0},     {3, 0x2, 1},     {3, 0x3, -1},    {4, 0x2, 2},     {4, 0x3, -2},
    {5, 0x2, 3},     {5, 0x3, -3},    {7, 0x6, 4},     {7, 0x7, -4},    {8, 0x6, 7},
    {8, 0x7, -7},    {8, 0x8, 6},     {8, 0x9, -6},    {8, 0xA, 5},     {8, 0xB, -5},
    {10, 0x12, 10},  {10, 0x13, -10}, {10, 0x14, 9},   {10, 0x15, -9},  {10, 0x16, 8},
    {10, 0x17, -8},  {11, 0x18, 16},  {11, 0x19, -16}, {11, 0x1A, 15},  {11, 0x1B, -15},
    {11, 0x1C, 14},  {11, 0x1D, -14}, {11, 0x1E, 13},  {11, 0x1F, -13}, {11, 0x20, 12},
    {11, 0x21, -12}, {11, 0x22, 11},  {11, 0x23, -11},
};

constexpr SourceCode kDmVector[] = {{1, 0x0, 0}, {2, 0x2, 1}, {2, 0x3, -1}};

constexpr SourceCode kDcSizeLuma[] = {
    {2, 0x0, 1},  {2, 0x1, 2},  {3, 0x4, 0},  {3, 0x5, 3},   {3, 0x6, 4},   {4, 0xE, 5},
    {5, 0x1E, 6}, {6, 0x3E, 7}, {7, 0x7E, 8}, {8, 0xFE, 9},  {9, 0x1FE, 10}, {9, 0x1FF, 11},
};

constexpr SourceCode kDcSizeChroma[] = {
    {2, 0x0, 0},  {2, 0x1, 1},  {2, 0x2, 2},   {3, 0x6, 3},   {4, 0xE, 4},    {5, 0x1E, 5},
    {6, 0x3E, 6}, {7, 0x7E, 7}, {8, 0xFE, 8}, {9, 0x1FE, 9}, {10, 0x3FE, 10}, {10, 0x3FF, 11},
};

// Codes of 12 bits and more are shared by both coefficient tables (except
// where table one uses the short codes listed in its own part below).
constexpr SourceDct kDctLong[] = {
    {12, 0x10, 0, 11}, {12, 0x11, 8, 2},  {12, 0x12, 4, 3},  {12, 0x13, 0, 10},
    {12, 0x14, 2, 4},  {12, 0x15, 7, 2},  {12, 0x16, 21, 1}, {12, 0x17, 20, 1},
    {12, 0x18, 0, 9},  {12, 0x19, 19, 1}, {12, 0x1A, 18, 1}, {12, 0x1B, 1, 5},
    {12, 0x1C, 3, 3},  {12, 0x1D, 0, 8},  {12, 0x1E, 6, 2},  {12, 0x1F, 17, 1},
    {13, 0x10, 10, 2}, {13, 0x11, 9, 2},  {13, 0x12, 5, 3},  {13, 0x13, 3, 4},
    {13, 0x14, 2, 5},  {13, 0x15, 1, 7},  {13, 0x16, 1, 6},  {13, 0x17, 0, 15},
    {13, 0x18, 0, 14}, {13, 0x19, 0, 13}, {13, 0x1A, 0, 12}, {13, 0x1B, 26, 1},
    {13, 0x1C, 25, 1}, {13, 0x1D, 24, 1}, {13, 0x1E, 23, 1}, {13, 0x1F, 22, 1},
    {14, 0x10, 0, 31}, {14, 0x11, 0, 30}, {14, 0x12, 0, 29}, {14, 0x13, 0, 28},
    {14, 0x14, 0, 27}, {14, 0x15, 0, 26}, {14, 0x16, 0, 25}, {14, 0x17, 0, 24},
    {14, 0x18, 0, 23}, {14, 0x19, 0, 22}, {14, 0x1A, 0, 21}, {14, 0x1B, 0, 20},
    {14, 0x1C, 0, 19}, {14, 0x1D, 0, 18}, {14, 0x1E, 0, 17}, {14, 0x1F, 0, 16},
    {15, 0x10, 0, 40}, {15, 0x11, 0, 39}, {15, 0x12, 0, 38}, {15, 0x13, 0, 37},
    {15, 0x14, 0, 36}, {15, 0x15, 0, 35}, {15, 0x16, 0, 34}, {15, 0x17, 0, 33},
    {15, 0x18, 0, 32}, {15, 0x19, 1, 14}, {15, 0x1A, 1, 13}, {15, 0x1B, 1, 12},
    {15, 0x1C, 1, 11}, {15, 0x1D, 1, 10}, {15, 0x1E, 1, 9},  {15, 0x1F, 1, 8},
    {16, 0x10, 1, 18}, {16, 0x11, 1, 17}, {16, 0x12, 1, 16}, {16, 0x13, 1, 15},
    {16, 0x14, 6, 3},  {16, 0x15, 16, 2}, {16, 0x16, 15, 2}, {16, 0x17, 14, 2},
    {16, 0x18, 13, 2}, {16, 0x19, 12, 2}, {16, 0x1A, 11, 2}, {16, 0x1B, 31, 1},
    {16, 0x1C, 30, 1}, {16, 0x1D, 29, 1}, {16, 0x1E, 28, 1}, {16, 0x1F, 27, 1},
};

// Table zero, codes up to 10 bits. "11" (run 0, level 1) is only valid
// after the first coefficient; the first-coefficient rule is the caller's.
constexpr SourceDct kDctZeroShort[] = {
    {2, 0x2, kEndOfBlock, 0}, {2, 0x3, 0, 1},  {3, 0x3, 1, 1},  {4, 0x4, 0, 2},
    {4, 0x5, 2, 1},  {5, 0x5, 0, 3},  {5, 0x6, 4, 1},  {5, 0x7, 3, 1},
    {6, 0x4, 7, 1},  {6, 0x5, 6, 1},  {6, 0x6, 1, 2},  {6, 0x7, 5, 1},
    {6, 0x1, kEscape, 0}, {7, 0x4, 2, 2}, {7, 0x5, 9, 1}, {7, 0x6, 0, 4},
    {7, 0x7, 8, 1},  {8, 0x20, 13, 1}, {8, 0x21, 0, 6}, {8, 0x22, 12, 1},
    {8, 0x23, 11, 1}, {8, 0x24, 3, 2}, {8, 0x25, 1, 3}, {8, 0x26, 0, 5},
    {8, 0x27, 10, 1}, {10, 0x8, 16, 1}, {10, 0x9, 5, 2}, {10, 0xA, 0, 7},
    {10, 0xB, 2, 3}, {10, 0xC, 1, 4}, {10, 0xD, 15, 1}, {10, 0xE, 14, 1},
    {10, 0xF, 4, 2},
};

// Table one, codes up to 10 bits, and the 12-bit codes of table zero that
// table one has moved to shorter codes (those are removed again below).
constexpr SourceDct kDctOneShort[] = {
    {2, 0x2, 0, 1},   {3, 0x2, 1, 1},   {3, 0x6, 0, 2},   {4, 0x6, kEndOfBlock, 0},
    {4, 0x7, 0, 3},   {5, 0x5, 2, 1},   {5, 0x6, 1, 2},   {5, 0x7, 3, 1},
    {5, 0x1C, 0, 4},  {5, 0x1D, 0, 5},  {6, 0x4, 0, 7},   {6, 0x5, 0, 6},
    {6, 0x6, 4, 1},   {6, 0x7, 5, 1},   {6, 0x1, kEscape, 0}, {7, 0x4, 7, 1},
    {7, 0x5, 8, 1},   {7, 0x6, 6, 1},   {7, 0x7, 2, 2},   {7, 0x78, 9, 1},
    {7, 0x79, 1, 3},  {7, 0x7A, 10, 1}, {7, 0x7B, 0, 8},  {7, 0x7C, 0, 9},
    {8, 0x20, 1, 5},  {8, 0x21, 11, 1}, {8, 0x22, 0, 11}, {8, 0x23, 0, 10},
    {8, 0x24, 13, 1}, {8, 0x25, 12, 1}, {8, 0x26, 3, 2},  {8, 0x27, 1, 4},
    {8, 0xFA, 0, 12}, {8, 0xFB, 0, 13}, {8, 0xFC, 2, 3},  {8, 0xFD, 4, 2},
    {8, 0xFE, 0, 14}, {8, 0xFF, 0, 15}, {9, 0x4, 5, 2},   {9, 0x5, 14, 1},
    {9, 0x7, 15, 1},  {10, 0xC, 2, 4},  {10, 0xD, 16, 1},
};

// Long codes of table zero that table one does not have: their values got
// short codes in table one.
constexpr SourceDct kDctOneMissing[] = {
    {12, 0x10, 0, 11}, {12, 0x13, 0, 10}, {12, 0x14, 2, 4}, {12, 0x18, 0, 9},
    {12, 0x1B, 1, 5},  {12, 0x1D, 0, 8},  {13, 0x17, 0, 15}, {13, 0x18, 0, 14},
    {13, 0x19, 0, 13}, {13, 0x1A, 0, 12},
};

template <size_t N, size_t M>
void Fill(VlcCode (&table)[N], int indexBits, const SourceCode (&codes)[M]) {
  for (const SourceCode& c : codes) {
    const int spare = indexBits - c.bits;
    const size_t first = static_cast<size_t>(c.code) << spare;
    for (size_t i = 0; i < (size_t{1} << spare); ++i)
      table[first + i] = VlcCode{c.bits, c.value};
  }
}

// Coefficient codes are followed by a sign bit, which the indexes leave out.
// A code of n <= 10 bits fills 2^(10 - n) slots of the first step; a longer
// one begins with seven zeros and fills 2^(16 - n) slots of the second,
// indexed by the 9 bits after them. `clear` empties the slots instead.
template <size_t M>
void FillDct(DctCode (&shortCodes)[1 << 10], DctCode (&longCodes)[1 << 9],
             const SourceDct (&codes)[M], bool clear = false) {
  for (const SourceDct& c : codes) {
    const DctCode value = clear ? DctCode{} : DctCode{c.bits, c.run, c.level};
    const bool isShort = c.bits <= 10;
    const int spare = (isShort ? 10 : 16) - c.bits;
    const size_t first = static_cast<size_t>(c.code) << spare;
    for (size_t i = 0; i < (size_t{1} << spare); ++i) {
      if (isShort)
        shortCodes[first + i] = value;
      else
        longCodes[first + i] = value;
    }
  }
}

LookupTables* Build() {
  static LookupTables t{};
  Fill(t.addressIncrement, 11, kAddressIncrement);
  Fill(t.mbTypeI, 2, kMbTypeI);
  Fill(t.mbTypeP, 6, kMbTypeP);
  Fill(t.mbTypeB, 6, kMbTypeB);
  Fill(t.codedBlockPattern, 9, kCodedBlockPattern);
  Fill(t.motionCode, 11, kMotionCode);
  Fill(t.dmVector, 2, kDmVector);
  Fill(t.dcSizeLuma, 9, kDcSizeLuma);
  Fill(t.dcSizeChroma, 10, kDcSizeChroma);
  for (int v = 0; v < 2; ++v)
    for (int i = 0; i < (1 << 3); ++i) t.dctShort[v][i] = DctCode{kDctSecondStep, 0, 0};
  FillDct(t.dctShort[0], t.dctLong[0], kDctLong);
  FillDct(t.dctShort[0], t.dctLong[0], kDctZeroShort);
  FillDct(t.dctShort[1], t.dctLong[1], kDctLong);
  FillDct(t.dctShort[1], t.dctLong[1], kDctOneMissing, true);
  FillDct(t.dctShort[1], t.dctLong[1], kDctOneShort);
  for (int a = 0; a < 2; ++a)
    for (int i = 0; i < 64; ++i) t.rasterOfScan[a][kScanOfRaster[a][i]] = static_cast<uint8_t>(i);
  return &t;
}

}  // namespace

const LookupTables& Tables() {
  static const LookupTables* tables = Build();
  return *tables;
}

const uint8_t kScanOfRaster[2][64] = {
    {0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42,
     3,  8,  12, 17, 25, 30, 41, 43, 9,  11, 18, 24, 31, 40, 44, 53,
     10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38, 46, 51, 55, 60,
     21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63},
    {0,  4,  6,  20, 22, 36, 38, 52, 1,  5,  7,  21, 23, 37, 39, 53,
     2,  8,  19, 24, 34, 40, 50, 54, 3,  9,  18, 25, 35, 41, 51, 55,
     10, 17, 26, 30, 42, 46, 56, 60, 11, 16, 27, 31, 43, 47, 57, 61,
     12, 15, 28, 32, 44, 48, 58, 62, 13, 14, 29, 33, 45, 49, 59, 63},
};

const uint8_t kZigzagToRaster[64] = {
     0,  1,  8, 16,  9,  2,  3, 10, 17, 24, 32, 25, 18, 11,  4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,  6,  7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

const uint8_t kQuantiserScale[2][32] = {
    {0,  2,  4,  6,  8,  10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30,
     32, 34, 36, 38, 40, 42, 44, 46, 48, 50, 52, 54, 56, 58, 60, 62},
    {0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 12, 14, 16, 18, 20,  22,
     24, 28, 32, 36, 40, 44, 48, 52, 56, 64, 72, 80, 88, 96, 104, 112},
};

const uint8_t kDefaultIntraMatrix[64] = {
    8,  16, 19, 22, 26, 27, 29, 34, 16, 16, 22, 24, 27, 29, 34, 37,
    19, 22, 26, 27, 29, 34, 34, 38, 22, 22, 26, 27, 29, 34, 37, 40,
    22, 26, 27, 29, 32, 35, 40, 48, 26, 27, 29, 32, 35, 40, 48, 58,
    26, 27, 29, 34, 38, 46, 56, 69, 27, 29, 35, 38, 46, 56, 69, 83,
};

}  // namespace vm::mpeg2
