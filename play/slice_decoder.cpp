// Slices, macroblocks and blocks of one picture, with inverse quantisation,
// the integer IDCT and reconstruction into the current frame store.

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "play/bit_reader.h"
#include "play/decoder_state.h"
#include "play/idct.h"
#include "play/mpeg2_tables.h"
#include "play/preview_decoder.h"

namespace vm::mpeg2 {

namespace {

constexpr int kMotionField = 1;
constexpr int kMotionFrame = 2;
constexpr int kMotionDualPrime = 3;
constexpr int kChroma420 = 1;
constexpr int kChroma422 = 2;
constexpr int kChroma444 = 3;
// Bounds the DC predictors on corrupt streams; valid ones stay below 2048.
constexpr int32_t kDcPredictorBound = 65535;

int BlockCount(int chromaFormat) {
  return chromaFormat == kChroma444 ? 12 : (chromaFormat == kChroma422 ? 8 : 6);
}

void ResetDcPredictors(DecoderState& d) {
  for (int32_t& p : d.dcPredictor) p = 128 << d.intraDcPrecision;
}

void ResetMotionPredictors(DecoderState& d) { std::memset(d.pmv, 0, sizeof d.pmv); }

// ---- motion vectors ----

int32_t ReadMotionCode(DecoderState& d, BitReader& bits) {
  const VlcCode c = d.tables->motionCode[bits.Peek(11)];
  if (c.bits == 0) {
    d.errorCode = kErrMotionCode;
    return 0;
  }
  bits.Skip(c.bits);
  return c.value;
}

int32_t ReadDmVector(const DecoderState& d, BitReader& bits) {
  const VlcCode c = d.tables->dmVector[bits.Peek(2)];
  bits.Skip(c.bits);
  return c.value;
}

// One vector component by the standard's motion vector reconstruction.
void DecodeComponent(DecoderState& d, BitReader& bits, int r, int s, int t) {
  const int32_t code = ReadMotionCode(d, bits);
  const int32_t fCode = d.fCode[s][t] < 1 ? 1 : (d.fCode[s][t] > 9 ? 9 : d.fCode[s][t]);
  const int32_t rSize = fCode - 1;
  int32_t residual = 0;
  if (fCode != 1 && code != 0) residual = static_cast<int32_t>(bits.Read(rSize));
  if (d.dualPrime) d.dmVector[t] = ReadDmVector(d, bits);

  const int32_t f = 1 << rSize;
  const int32_t high = 16 * f - 1, low = -16 * f, range = 32 * f;
  int32_t delta = code;
  if (f != 1 && code != 0) {
    delta = (std::abs(code) - 1) * f + residual + 1;
    if (code < 0) delta = -delta;
  }
  const bool halve = d.fieldMotionFormat && t == 1 && d.pictureStructure == kFramePicture;
  int32_t prediction = halve ? (d.pmv[r][s][t] >> 1) : d.pmv[r][s][t];
  int32_t v = prediction + delta;
  if (v < low) v += range;
  if (v > high) v -= range;
  d.vector[r][s][t] = v;
  d.pmv[r][s][t] = halve ? v * 2 : v;
}

void DecodeMotionVectors(DecoderState& d, BitReader& bits, int s) {
  if (d.motionVectorCount == 1) {
    if (d.fieldMotionFormat && !d.dualPrime) d.fieldSelect[0][s] = static_cast<int32_t>(bits.Read(1));
    DecodeComponent(d, bits, 0, s, 0);
    DecodeComponent(d, bits, 0, s, 1);
    for (int t = 0; t < 2; ++t) {
      d.pmv[1][s][t] = d.pmv[0][s][t];
      d.vector[1][s][t] = d.vector[0][s][t];
    }
    d.fieldSelect[1][s] = d.fieldSelect[0][s];
  } else {
    for (int r = 0; r < 2; ++r) {
      d.fieldSelect[r][s] = static_cast<int32_t>(bits.Read(1));
      DecodeComponent(d, bits, r, s, 0);
      DecodeComponent(d, bits, r, s, 1);
    }
  }
}

// ---- blocks ----

inline __attribute__((always_inline)) int32_t ReadDcDifferential(const VlcCode* table, int peekBits,
                                                               BitReader& bits) {
  const VlcCode c = table[bits.Peek(peekBits)];
  bits.Skip(c.bits == 0 ? peekBits : c.bits);
  const int size = c.bits == 0 ? 0 : c.value;
  if (size == 0) return 0;
  const int32_t v = static_cast<int32_t>(bits.Read(size));
  return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

void ReadBlockBits(DecoderState& d, BitReader& bits, int b) {
  int32_t* coef = d.coefficients[b];
  uint8_t* storedAt = d.storedAt[b];
  int stored = 0;
  int pos = 0;
  const bool intra = d.mbIntra != 0;
  int vlc = 0;
  if (intra) {
    const int comp = b < 4 ? 0 : 1 + ((b - 4) & 1);
    const int32_t diff = comp == 0 ? ReadDcDifferential(d.tables->dcSizeLuma, 9, bits)
                                   : ReadDcDifferential(d.tables->dcSizeChroma, 10, bits);
    int32_t& pred = d.dcPredictor[comp];
    pred += diff;
    if (pred > kDcPredictorBound) pred = kDcPredictorBound;
    if (pred < -kDcPredictorBound) pred = -kDcPredictorBound;
    coef[0] = pred;
    storedAt[stored++] = 0;
    pos = 1;
    if (d.intraVlcFormat) vlc = 1;
  } else if (bits.Peek(1) == 1) {
    // First coefficient of a non-intra block: '1s' is run 0, level 1.
    bits.Skip(1);
    coef[0] = bits.Read(1) ? -1 : 1;
    storedAt[stored++] = 0;
    pos = 1;
  }
  const DctCode* shortCodes = d.tables->dctShort[vlc];
  const DctCode* longCodes = d.tables->dctLong[vlc];
  // The coefficient codes are taken from a register of at least 57 bits,
  // shifted as they are used and filled again when fewer than the 24 bits
  // of an escape are left; `used` is what the reader has yet to skip.
  uint64_t cur = bits.Window();
  int used = 0;
  for (;;) {
    if (used > 57 - 24) {
      bits.Skip(used);
      cur = bits.Window();
      used = 0;
    }
    const uint32_t window = static_cast<uint32_t>(cur >> 47);  // the next 17 bits
    DctCode c = shortCodes[window >> 7];
    if (c.bits == kDctSecondStep) c = longCodes[(window >> 1) & 0x1FF];
    if (c.bits == 0) {
      d.errorCode = kErrCoefficientCode;
      break;
    }
    int32_t run, level;
    int n;
    if (c.run == kEndOfBlock) {
      used += c.bits;
      break;
    }
    if (c.run == kEscape) {
      // Six bits of escape code, a 6-bit run, a 12-bit level.
      run = static_cast<int32_t>((cur >> 52) & 63);
      level = static_cast<int32_t>((cur >> 40) & 0xFFF);
      if (level >= 2048) level -= 4096;
      n = 24;
    } else {
      run = c.run;
      level = (window >> (16 - c.bits)) & 1 ? -c.level : c.level;
      n = c.bits + 1;
    }
    cur <<= n;
    used += n;
    pos += run;
    if (pos > 63) {
      d.errorCode = kErrTooManyCoefficients;
      break;
    }
    storedAt[stored++] = static_cast<uint8_t>(pos);
    coef[pos++] = level;
  }
  bits.Skip(used);
  d.storedCount[b] = static_cast<uint8_t>(stored);
}

// The block is read with a copy of the reader held in registers: stores
// into the byte tables of the state could otherwise alias it.
void ReadBlock(DecoderState& d, BitReader& bits, int b) {
  BitReader local = bits;
  ReadBlockBits(d, local, b);
  bits = local;
}

// ---- inverse quantisation and IDCT ----

int32_t Saturate(int32_t v) { return v < -2048 ? -2048 : (v > 2047 ? 2047 : v); }

// Rows and columns of a block that hold a non-zero value, one bit each.
struct NonZero {
  uint32_t rows = 0, cols = 0;
};

// Only the stored coefficients can give a non-zero value: a zero level
// dequantises to zero, intra or not.
NonZero InverseQuantise(const DecoderState& d, int b, int16_t* out) {
  const int32_t* coef = d.coefficients[b];
  const bool intra = d.mbIntra != 0;
  const int32_t* w = d.matrix[intra ? 0 : 1];
  const int32_t qs = kQuantiserScale[d.qScaleType & 1][d.quantiserScaleCode & 31];
  const uint8_t* raster = d.tables->rasterOfScan[d.alternateScan & 1];
  std::memset(out, 0, 64 * sizeof *out);
  NonZero nz;
  int32_t sum = 0;
  for (int n = 0; n < d.storedCount[b]; ++n) {
    const int k = d.storedAt[b][n];
    const int i = raster[k];
    const int32_t qf = coef[k];
    const int32_t weight = w[kScanOfRaster[0][i]];
    int32_t f;
    if (intra) {
      f = i == 0 ? qf * (8 >> d.intraDcPrecision) : (2 * qf * weight * qs) / 32;
    } else {
      const int32_t sign = qf > 0 ? 1 : (qf < 0 ? -1 : 0);
      f = ((2 * qf + sign) * weight * qs) / 32;
    }
    f = Saturate(f);
    out[i] = static_cast<int16_t>(f);
    sum += f;
    if (f != 0) {
      nz.rows |= 1u << (i >> 3);
      nz.cols |= 1u << (i & 7);
    }
  }
  if ((sum & 1) == 0) out[63] = static_cast<int16_t>(out[63] + ((out[63] & 1) ? -1 : 1));
  if (out[63] != 0) {
    nz.rows |= 0x80;
    nz.cols |= 0x80;
  }
  return nz;
}

// ---- reconstruction ----

struct Pixel {
  int32_t y, cb, cr;
};

// Picture line and column to store index, clamped into the stored picture.
int32_t ClampedIndex(const StoreGeometry& g, int32_t line, int32_t col) {
  if (line < 0) line = 0;
  if (line > g.rows - 1) line = g.rows - 1;
  int32_t row = g.rows - 1 - line;
  if (row >= g.maxRows) row = g.maxRows - 1;
  if (col < 0) col = 0;
  if (col > g.width - 1) col = g.width - 1;
  return row * g.pitch + 3 * col;
}

Pixel Sample(const int16_t* s, const StoreGeometry& g, int32_t line, int32_t col) {
  const int32_t i = ClampedIndex(g, line, col);
  return Pixel{s[i], s[i + 1], s[i + 2]};
}

void PredictFrame(const DecoderState& d, const StoreGeometry& g, int32_t top, int32_t left,
                  Pixel (*pred)[16]) {
  const int16_t* ref = d.store[d.forwardIndex];
  const int32_t mvx = d.vector[0][0][0], mvy = d.vector[0][0][1];
  const int32_t dx = mvx >> 1, dy = mvy >> 1, hx = mvx & 1, hy = mvy & 1;
  for (int q = 0; q < 16; ++q) {
    for (int c = 0; c < 16; ++c) {
      const int32_t line = top + q + dy, col = left + c + dx;
      const Pixel a = Sample(ref, g, line, col);
      Pixel p = a;
      if (hx || hy) {
        const Pixel b = Sample(ref, g, line, col + hx);
        const Pixel cc = Sample(ref, g, line + hy, col);
        const Pixel dd = Sample(ref, g, line + hy, col + hx);
        if (hx && hy) {
          p = Pixel{(a.y + b.y + cc.y + dd.y) / 4, (a.cb + b.cb + cc.cb + dd.cb) / 4,
                    (a.cr + b.cr + cc.cr + dd.cr) / 4};
        } else {
          const Pixel& o = hx ? b : cc;
          p = Pixel{(a.y + o.y) / 2, (a.cb + o.cb) / 2, (a.cr + o.cr) / 2};
        }
      }
      pred[q][c] = p;
    }
  }
}

void PredictField(const DecoderState& d, const StoreGeometry& g, int32_t top, int32_t left,
                  Pixel (*pred)[16]) {
  const int16_t* ref = d.store[d.forwardIndex];
  for (int q = 0; q < 16; ++q) {
    const int r = (q & 1) && d.motionVectorCount == 2 ? 1 : 0;
    const int32_t v = d.vector[r][0][1], h = d.vector[r][0][0];
    // Dual-prime vectors code no field select: each line takes its own field.
    const int32_t parity = d.dualPrime ? (q & 1) : (d.fieldSelect[r][0] & 1);
    const int32_t base = (q & 1) ? q + v - 1 : q + v;
    const int32_t refLine = (base & 1) == parity ? base : base + 1;
    for (int c = 0; c < 16; ++c) {
      const int32_t col = left + c + (h >> 1);
      const Pixel a = Sample(ref, g, top + refLine, col);
      if (h & 1) {
        const Pixel b = Sample(ref, g, top + refLine, col + 1);
        pred[q][c] = Pixel{(a.y + b.y) / 2, (a.cb + b.cb) / 2, (a.cr + b.cr) / 2};
      } else {
        pred[q][c] = a;
      }
    }
  }
}

#if defined(__SSE2__)

// Eight intra pixels of a line: the 24 samples Y Cb Cr of each pixel, a
// pair of pixels sharing its chroma, go out in three 16-byte stores. With
// C = Cb0 Cr0 Cb1 Cr1 .. (a pair's chroma as one 32-bit unit s) and the
// pixel pairs F = Y Cb Cr Y (8 bytes), the line is F0 s0 F1 s1 F2 s2 F3 s3.
void IntraHalfLine(int16_t* out, const int16_t* y, const int16_t* u, const int16_t* v) {
  const __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
  const __m128i cb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u));
  const __m128i cr = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v));
  const __m128i c = _mm_sub_epi16(_mm_unpacklo_epi16(cb, cr), _mm_set1_epi16(128));
  // Y0 Y1 Cb Cr | Y2 Y3 Cb Cr, reordered to Y0 Cb Cr Y1 | Y2 Cb Cr Y3.
  constexpr int kPairOrder = _MM_SHUFFLE(1, 3, 2, 0);
  const __m128i f01 =
      _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_unpacklo_epi32(luma, c), kPairOrder), kPairOrder);
  const __m128i f23 =
      _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_unpackhi_epi32(luma, c), kPairOrder), kPairOrder);
  // In 32-bit units: f01 = a0 a1 b0 b1, f23 = c0 c1 d0 d1, c = s0 s1 s2 s3.
  const __m128i m = _mm_unpacklo_epi32(c, _mm_unpackhi_epi64(f01, f01));  // s0 b0 s1 b1
  const __m128i n = _mm_unpackhi_epi64(c, f23);                           // s2 s3 d0 d1
  const __m128 mf = _mm_castsi128_ps(m);
  const __m128i o0 = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(f01), mf, _MM_SHUFFLE(1, 0, 1, 0)));
  const __m128i o1 = _mm_castps_si128(_mm_shuffle_ps(mf, _mm_castsi128_ps(f23), _MM_SHUFFLE(1, 0, 2, 3)));
  const __m128i o2 = _mm_shuffle_epi32(n, _MM_SHUFFLE(1, 3, 2, 0));
  __m128i* o = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(o, o0);
  _mm_storeu_si128(o + 1, o1);
  _mm_storeu_si128(o + 2, o2);
}

#else

void IntraHalfLine(int16_t* out, const int16_t* y, const int16_t* u, const int16_t* v) {
  for (int c = 0; c < 8; ++c) {
    out[3 * c] = y[c];
    out[3 * c + 1] = static_cast<int16_t>(u[c >> 1] - 128);
    out[3 * c + 2] = static_cast<int16_t>(v[c >> 1] - 128);
  }
}

#endif

// An intra macroblock that lies wholly inside the store, whose picture
// line q is `first` - q * pitch: sixteen lines of two halves each.
void IntraMacroblock(const DecoderState& d, int16_t* first, int32_t pitch) {
  for (int q = 0; q < 16; ++q) {
    const int r = q >> 1;
    const int chromaRow = d.progressiveFrame ? r : ((r & ~1) + (q & 1));
    const int lumaBlock = d.dctType ? (q & 1) * 2 : (q >> 3) * 2;
    const int lumaRow = d.dctType ? (q >> 1) : (q & 7);
    const int16_t* cb = d.samples[4] + chromaRow * 8;
    const int16_t* cr = d.samples[5] + chromaRow * 8;
    int16_t* s = first - q * pitch;
    IntraHalfLine(s, d.samples[lumaBlock] + lumaRow * 8, cb, cr);
    IntraHalfLine(s + 24, d.samples[lumaBlock + 1] + lumaRow * 8, cb + 4, cr + 4);
  }
}

void Reconstruct(DecoderState& d) {
  const StoreGeometry g = Geometry(d);
  const int32_t mbWidth = (d.horizontalSize + 15) / 16;
  if (mbWidth <= 0 || d.mbAddress <= 0 || g.width <= 0 || g.maxRows <= 0) return;
  const int32_t n = d.mbAddress - 1;
  const int32_t top = 16 * (n / mbWidth), left = 16 * (n % mbWidth);
  const int32_t firstRow = g.rows - 1 - top;  // the store row of the macroblock's top line
  if (d.mbIntra && g.width - left >= 16 && firstRow - 15 >= 0 && firstRow < g.maxRows) {
    IntraMacroblock(d, d.store[d.currentIndex] + firstRow * g.pitch + 3 * left, g.pitch);
    return;
  }

  static Pixel pred[16][16];
  if (d.mbIntra) {
    // Intra macroblocks predict zero: only the residual is written.
  } else if (d.mbForward) {
    if (d.fieldMotionFormat)
      PredictField(d, g, top, left, pred);
    else
      PredictFrame(d, g, top, left, pred);
  } else {
    for (int q = 0; q < 16; ++q)
      for (int c = 0; c < 16; ++c) pred[q][c] = Sample(d.store[d.forwardIndex], g, top + q, left + c);
  }

  const bool residual = d.mbIntra || d.mbPattern;
  const int32_t columns = g.width - left < 16 ? g.width - left : 16;
  for (int q = 0; q < 16; ++q) {
    const int32_t row = g.rows - 1 - (top + q);
    if (row < 0 || row >= g.maxRows) continue;
    int16_t* s = d.store[d.currentIndex] + row * g.pitch + 3 * left;
    const int r = q >> 1;
    const int chromaRow = d.progressiveFrame ? r : ((r & ~1) + (q & 1));
    const int lumaBlock = d.dctType ? (q & 1) * 2 : (q >> 3) * 2;
    const int lumaRow = d.dctType ? (q >> 1) : (q & 7);
    const int16_t* left8 = d.samples[lumaBlock] + lumaRow * 8;
    const int16_t* right8 = d.samples[lumaBlock + 1] + lumaRow * 8;
    const int16_t* cb = d.samples[4] + chromaRow * 8;
    const int16_t* cr = d.samples[5] + chromaRow * 8;
    // Each half of the line takes one luma block and four chroma samples.
    for (int half = 0; half < 2; ++half) {
      const int c0 = 8 * half;
      const int n = columns - c0 < 8 ? columns - c0 : 8;
      if (n <= 0) break;
      const int16_t* y = half ? right8 : left8;
      const int16_t* u = cb + 4 * half;
      const int16_t* v = cr + 4 * half;
      int16_t* out = s + 3 * c0;
      if (d.mbIntra && n == 8) {
        IntraHalfLine(out, y, u, v);
      } else if (d.mbIntra) {
        for (int c = 0; c < n; ++c) {
          out[3 * c] = static_cast<int16_t>(y[c]);
          out[3 * c + 1] = static_cast<int16_t>(u[c >> 1] - 128);
          out[3 * c + 2] = static_cast<int16_t>(v[c >> 1] - 128);
        }
      } else if (residual) {
        const Pixel* p = pred[q] + c0;
        for (int c = 0; c < n; ++c) {
          out[3 * c] = static_cast<int16_t>(p[c].y + y[c]);
          out[3 * c + 1] = static_cast<int16_t>(p[c].cb + u[c >> 1] - 128);
          out[3 * c + 2] = static_cast<int16_t>(p[c].cr + v[c >> 1] - 128);
        }
      } else {
        const Pixel* p = pred[q] + c0;
        for (int c = 0; c < n; ++c) {
          out[3 * c] = static_cast<int16_t>(p[c].y);
          out[3 * c + 1] = static_cast<int16_t>(p[c].cb);
          out[3 * c + 2] = static_cast<int16_t>(p[c].cr);
        }
      }
    }
  }
}

void TransformBlocks(DecoderState& d) {
  for (int b = 0; b < 6; ++b) {
    int16_t* out = d.samples[b];
    if (!d.blockCoded[b]) {
      for (int i = 0; i < 64; ++i) out[i] = b < 4 ? 0 : 128;
      continue;
    }
    if (d.mbIntra && d.storedCount[b] == 1) {
      // The DC alone, as in most intra blocks: an even DC makes the
      // mismatch control set the last coefficient to 1.
      const int32_t dc = Saturate(d.coefficients[b][0] * (8 >> d.intraDcPrecision));
      InverseDctOfCorners(out, dc, (dc & 1) ? 0 : 1);
      continue;
    }
    const NonZero nz = InverseQuantise(d, b, out);
    InverseDct(out, nz.rows, nz.cols);
    if (!d.mbIntra && b >= 4)
      for (int i = 0; i < 64; ++i) out[i] = static_cast<int16_t>(out[i] + 128);
  }
}

// ---- block means of a signature ----

uint8_t BlockMean(const DecoderState& d, int b) {
  // The dequantised DC is pred * (8 >> intra_dc_precision) and the block's
  // mean sample is that over 8.
  const int32_t m = d.coefficients[b][0] >> d.intraDcPrecision;
  return static_cast<uint8_t>(m < 0 ? 0 : (m > 255 ? 255 : m));
}

// An intra macroblock of a 4:2:0 frame picture into the signature: four
// luma means, one of each chroma. Field-DCT luma blocks cover the
// macroblock's left or right half over one field, so both fields' means
// are averaged into the two rows of that half.
void StoreBlockMeans(DecoderState& d) {
  VobuSignature& s = *d.signature;
  const int32_t mbWidth = (d.horizontalSize + 15) / 16;
  if (mbWidth <= 0 || d.mbAddress <= 0) return;
  const int32_t n = d.mbAddress - 1;
  const int32_t mx = n % mbWidth, my = n / mbWidth;
  if (2 * mx + 1 >= kSignatureMaxWidth || 2 * my + 1 >= kSignatureMaxHeight) return;
  uint8_t m[4];
  for (int b = 0; b < 4; ++b) m[b] = BlockMean(d, b);
  if (d.dctType) {
    const uint8_t left = static_cast<uint8_t>((m[0] + m[2] + 1) / 2);
    const uint8_t right = static_cast<uint8_t>((m[1] + m[3] + 1) / 2);
    m[0] = m[2] = left;
    m[1] = m[3] = right;
  }
  s.y[2 * my][2 * mx] = m[0];
  s.y[2 * my][2 * mx + 1] = m[1];
  s.y[2 * my + 1][2 * mx] = m[2];
  s.y[2 * my + 1][2 * mx + 1] = m[3];
  s.cb[my][mx] = BlockMean(d, 4);
  s.cr[my][mx] = BlockMean(d, 5);
}

// ---- macroblock ----

bool ReadAddressIncrement(DecoderState& d, BitReader& bits, int32_t& increment) {
  increment = 0;
  for (;;) {
    const VlcCode c = d.tables->addressIncrement[bits.Peek(11)];
    if (c.bits == 0) {
      d.errorCode = kErrAddressIncrement;
      return false;
    }
    bits.Skip(c.bits);
    if (c.value != kMacroblockEscape) {
      increment += c.value;
      return true;
    }
    increment += 33;
    if (bits.PastEnd()) {
      d.errorCode = kErrAddressIncrement;
      return false;
    }
  }
}

bool ReadMacroblockType(DecoderState& d, BitReader& bits) {
  const LookupTables& t = *d.tables;
  VlcCode c{};
  if (d.pictureCodingType == kPictureI)
    c = t.mbTypeI[bits.Peek(2)];
  else if (d.pictureCodingType == kPictureP)
    c = t.mbTypeP[bits.Peek(6)];
  else if (d.pictureCodingType == kPictureB)
    c = t.mbTypeB[bits.Peek(6)];
  if (c.bits == 0) {
    // No table entry: the macroblock header is broken.
    d.errorCode = kErrAddressIncrement;
    return false;
  }
  bits.Skip(c.bits);
  d.mbQuant = (c.value & kMbQuant) != 0;
  d.mbForward = (c.value & kMbForward) != 0;
  d.mbBackward = (c.value & kMbBackward) != 0;
  d.mbPattern = (c.value & kMbPattern) != 0;
  d.mbIntra = (c.value & kMbIntra) != 0;
  return true;
}

void ReadMacroblockModes(DecoderState& d, BitReader& bits) {
  d.motionVectorCount = 1;
  d.fieldMotionFormat = 0;
  d.dualPrime = 0;
  d.dctType = 0;
  const bool motion = d.mbForward || d.mbBackward;
  if (d.pictureStructure != kFramePicture) {
    d.fieldMotionFormat = 1;
    if (motion) {
      const uint32_t type = bits.Read(2);
      d.motionVectorCount = type == kMotionFrame ? 2 : 1;
      d.dualPrime = type == kMotionDualPrime;
    }
  } else if (d.framePredFrameDct) {
    // Frame prediction, one vector.
  } else {
    if (motion) {
      const uint32_t type = bits.Read(2);
      d.motionVectorCount = type == kMotionField ? 2 : 1;
      d.fieldMotionFormat = type != kMotionFrame;
      d.dualPrime = type == kMotionDualPrime;
    }
    if (d.mbIntra || d.mbPattern) d.dctType = static_cast<int32_t>(bits.Read(1));
    d.fieldDctMacroblocks += d.dctType;
  }
}

void ReadCodedBlockPattern(DecoderState& d, BitReader& bits, int blocks) {
  uint32_t cbp = (1u << blocks) - 1;
  if (!d.mbIntra) {
    cbp = 0;
    if (d.mbPattern) {
      const VlcCode c = d.tables->codedBlockPattern[bits.Peek(9)];
      if (c.bits == 0) {
        d.errorCode = kErrCodedBlockPattern;
      } else {
        bits.Skip(c.bits);
        cbp = static_cast<uint32_t>(c.value);
      }
      if (d.chromaFormat == kChroma422) cbp = (cbp << 2) | bits.Read(2);
      if (d.chromaFormat == kChroma444) cbp = (cbp << 6) | bits.Read(6);
    }
  }
  for (int b = 0; b < blocks; ++b) d.blockCoded[b] = (cbp >> (blocks - 1 - b)) & 1;
}

void DecodeMacroblock(DecoderState& d, BitReader& bits) {
  int32_t increment = 0;
  if (!ReadAddressIncrement(d, bits, increment)) return;
  if (d.pictureCodingType == kPictureI) increment = 1;
  const int32_t mbWidth = (d.horizontalSize + 15) / 16;
  const int32_t mbCount = mbWidth * ((d.verticalSize + 15) / 16);
  d.mbAddress = d.mbAddress + increment > mbCount ? mbCount : d.mbAddress + increment;
  if (increment > 1) {
    ResetDcPredictors(d);
    if (d.pictureCodingType == kPictureP) ResetMotionPredictors(d);
  }
  if (!ReadMacroblockType(d, bits)) return;
  ReadMacroblockModes(d, bits);
  if (d.mbQuant) d.quantiserScaleCode = static_cast<int32_t>(bits.Read(5));

  const bool concealment = d.mbIntra && d.concealmentMotionVectors;
  if (d.mbForward || concealment) DecodeMotionVectors(d, bits, 0);
  if (d.mbBackward) DecodeMotionVectors(d, bits, 1);
  if (concealment) bits.Skip(1);
  if (d.pictureCodingType == kPictureP) {
    if ((d.mbIntra && !concealment) || (!d.mbIntra && !d.mbForward)) ResetMotionPredictors(d);
    if (!d.mbIntra && !d.mbForward) std::memset(d.vector, 0, sizeof d.vector);
  }
  if (!d.mbIntra) ResetDcPredictors(d);

  const int blocks = BlockCount(d.chromaFormat);
  ReadCodedBlockPattern(d, bits, blocks);
  for (int b = 0; b < blocks; ++b)
    if (d.blockCoded[b]) ReadBlock(d, bits, b);

  if (d.dcOnly) {
    StoreBlockMeans(d);
    return;
  }
  if (d.pictureCodingType == kPictureB || d.chromaFormat != kChroma420) return;
  if (d.mbIntra || d.mbPattern) TransformBlocks(d);
  Reconstruct(d);
}

}  // namespace

void DecodeSlice(DecoderState& d, uint32_t start) {
  BitReader bits = StreamReader(d, start);
  // A signature takes intra 4:2:0 frame pictures from their DC
  // coefficients; any other first picture is decoded in full.
  d.dcOnly = d.signature != nullptr && d.pictureCodingType == kPictureI &&
             d.pictureStructure == kFramePicture && d.chromaFormat == kChroma420;
  ResetDcPredictors(d);
  ResetMotionPredictors(d);
  if (d.verticalSize > 2800) bits.Skip(3);
  if (d.dataPartitioning) bits.Skip(7);
  d.quantiserScaleCode = static_cast<int32_t>(bits.Read(5));
  if (bits.Read(1)) {
    bits.Skip(1 + 7);
    while (bits.Read(1) == 1 && !bits.PastEnd()) bits.Skip(8);
  }
  do {
    DecodeMacroblock(d, bits);
  } while (d.errorCode == 0 && bits.Peek(23) != 0);
}

}  // namespace vm::mpeg2
