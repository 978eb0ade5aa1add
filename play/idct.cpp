#include "play/idct.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace vm::mpeg2 {

namespace {

constexpr int32_t C1 = 5681, C2 = 5352, C3 = 4816, C4 = 4096, C5 = 3218, C6 = 2217, C7 = 1130;
constexpr int32_t kColumnRound = 2048, kRowRound = 16384;
constexpr int kColumnShift = 12, kRowShift = 15;

// One 8-point transform, reading and writing with the given stride. Only
// the first N inputs may be non-zero; the others are taken as zero, which
// drops their products and leaves every sum as the full transform has it.
template <int N>
void Idct8(int32_t* v, int stride, int32_t round, int shift) {
  const int32_t x0 = v[0], x1 = N > 1 ? v[stride] : 0, x2 = N > 2 ? v[2 * stride] : 0;
  const int32_t x3 = N > 3 ? v[3 * stride] : 0, x4 = N > 4 ? v[4 * stride] : 0;
  const int32_t x5 = N > 5 ? v[5 * stride] : 0, x6 = N > 6 ? v[6 * stride] : 0;
  const int32_t x7 = N > 7 ? v[7 * stride] : 0;
  const int32_t a = C4 * x0 + C4 * x4, b = C4 * x0 - C4 * x4;
  const int32_t e0 = a + C2 * x2 + C6 * x6, e3 = a - C2 * x2 - C6 * x6;
  const int32_t e1 = b + C6 * x2 - C2 * x6, e2 = b - C6 * x2 + C2 * x6;
  const int32_t o0 = C1 * x1 + C3 * x3 + C5 * x5 + C7 * x7;
  const int32_t o1 = C3 * x1 - C7 * x3 - C1 * x5 - C5 * x7;
  const int32_t o2 = C5 * x1 - C1 * x3 + C7 * x5 + C3 * x7;
  const int32_t o3 = C7 * x1 - C5 * x3 + C3 * x5 - C1 * x7;
  v[0] = (e0 + o0 + round) >> shift;
  v[7 * stride] = (e0 - o0 + round) >> shift;
  v[stride] = (e1 + o1 + round) >> shift;
  v[6 * stride] = (e1 - o1 + round) >> shift;
  v[2 * stride] = (e2 + o2 + round) >> shift;
  v[5 * stride] = (e2 - o2 + round) >> shift;
  v[3 * stride] = (e3 + o3 + round) >> shift;
  v[4 * stride] = (e3 - o3 + round) >> shift;
}

#if defined(__SSE2__)

// Two 16-bit constants side by side, for multiplying interleaved pairs.
__m128i Pair(int32_t first, int32_t second) {
  return _mm_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(first) |
                                             (static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16)));
}

// The 8-point transform of four lanes held as 32-bit sums: p04, p26, p13
// and p57 interleave inputs 0 and 4, 2 and 6, 1 and 3, 5 and 7 of each lane.
// Returns the eight outputs, rounded and shifted.
template <int32_t Round, int Shift>
inline __attribute__((always_inline)) void Transform4(__m128i p04, __m128i p26, __m128i p13,
                                                      __m128i p57, __m128i* out) {
  const __m128i round = _mm_set1_epi32(Round);
  const __m128i a = _mm_add_epi32(_mm_madd_epi16(p04, Pair(C4, C4)), round);
  const __m128i b = _mm_add_epi32(_mm_madd_epi16(p04, Pair(C4, -C4)), round);
  const __m128i ea = _mm_madd_epi16(p26, Pair(C2, C6)), eb = _mm_madd_epi16(p26, Pair(C6, -C2));
  const __m128i e0 = _mm_add_epi32(a, ea), e3 = _mm_sub_epi32(a, ea);
  const __m128i e1 = _mm_add_epi32(b, eb), e2 = _mm_sub_epi32(b, eb);
  const __m128i o0 = _mm_add_epi32(_mm_madd_epi16(p13, Pair(C1, C3)), _mm_madd_epi16(p57, Pair(C5, C7)));
  const __m128i o1 = _mm_add_epi32(_mm_madd_epi16(p13, Pair(C3, -C7)), _mm_madd_epi16(p57, Pair(-C1, -C5)));
  const __m128i o2 = _mm_add_epi32(_mm_madd_epi16(p13, Pair(C5, -C1)), _mm_madd_epi16(p57, Pair(C7, C3)));
  const __m128i o3 = _mm_add_epi32(_mm_madd_epi16(p13, Pair(C7, -C5)), _mm_madd_epi16(p57, Pair(C3, -C1)));
  out[0] = _mm_srai_epi32(_mm_add_epi32(e0, o0), Shift);
  out[1] = _mm_srai_epi32(_mm_add_epi32(e1, o1), Shift);
  out[2] = _mm_srai_epi32(_mm_add_epi32(e2, o2), Shift);
  out[3] = _mm_srai_epi32(_mm_add_epi32(e3, o3), Shift);
  out[4] = _mm_srai_epi32(_mm_sub_epi32(e3, o3), Shift);
  out[5] = _mm_srai_epi32(_mm_sub_epi32(e2, o2), Shift);
  out[6] = _mm_srai_epi32(_mm_sub_epi32(e1, o1), Shift);
  out[7] = _mm_srai_epi32(_mm_sub_epi32(e0, o0), Shift);
}

// The 8-point transform of the eight lanes at once: x[k] holds input k of
// each lane. The products are summed in 32 bits and cannot overflow there:
// inputs stay within 16 bits in both passes (at most 2048 before the first
// and 15354 before the second), and the largest sum of products is under
// 2^29. Results are packed back to 16 bits, which they fit.
template <int32_t Round, int Shift>
inline __attribute__((always_inline)) void Transform8(__m128i* x) {
  __m128i lo[8], hi[8];
  Transform4<Round, Shift>(_mm_unpacklo_epi16(x[0], x[4]), _mm_unpacklo_epi16(x[2], x[6]),
                           _mm_unpacklo_epi16(x[1], x[3]), _mm_unpacklo_epi16(x[5], x[7]), lo);
  Transform4<Round, Shift>(_mm_unpackhi_epi16(x[0], x[4]), _mm_unpackhi_epi16(x[2], x[6]),
                           _mm_unpackhi_epi16(x[1], x[3]), _mm_unpackhi_epi16(x[5], x[7]), hi);
  x[0] = _mm_packs_epi32(lo[0], hi[0]);
  x[1] = _mm_packs_epi32(lo[1], hi[1]);
  x[2] = _mm_packs_epi32(lo[2], hi[2]);
  x[3] = _mm_packs_epi32(lo[3], hi[3]);
  x[4] = _mm_packs_epi32(lo[4], hi[4]);
  x[5] = _mm_packs_epi32(lo[5], hi[5]);
  x[6] = _mm_packs_epi32(lo[6], hi[6]);
  x[7] = _mm_packs_epi32(lo[7], hi[7]);
}

inline __attribute__((always_inline)) void Transpose(__m128i* r) {
  const __m128i t0 = _mm_unpacklo_epi16(r[0], r[1]), t1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i t2 = _mm_unpacklo_epi16(r[2], r[3]), t3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i t4 = _mm_unpacklo_epi16(r[4], r[5]), t5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i t6 = _mm_unpacklo_epi16(r[6], r[7]), t7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i u0 = _mm_unpacklo_epi32(t0, t2), u1 = _mm_unpackhi_epi32(t0, t2);
  const __m128i u2 = _mm_unpacklo_epi32(t1, t3), u3 = _mm_unpackhi_epi32(t1, t3);
  const __m128i u4 = _mm_unpacklo_epi32(t4, t6), u5 = _mm_unpackhi_epi32(t4, t6);
  const __m128i u6 = _mm_unpacklo_epi32(t5, t7), u7 = _mm_unpackhi_epi32(t5, t7);
  r[0] = _mm_unpacklo_epi64(u0, u4);
  r[1] = _mm_unpackhi_epi64(u0, u4);
  r[2] = _mm_unpacklo_epi64(u1, u5);
  r[3] = _mm_unpackhi_epi64(u1, u5);
  r[4] = _mm_unpacklo_epi64(u2, u6);
  r[5] = _mm_unpackhi_epi64(u2, u6);
  r[6] = _mm_unpacklo_epi64(u3, u7);
  r[7] = _mm_unpackhi_epi64(u3, u7);
}

void FullIdct(int16_t* block) {
  __m128i v[8];
  const __m128i* in = reinterpret_cast<const __m128i*>(block);
  v[0] = _mm_loadu_si128(in + 0);
  v[1] = _mm_loadu_si128(in + 1);
  v[2] = _mm_loadu_si128(in + 2);
  v[3] = _mm_loadu_si128(in + 3);
  v[4] = _mm_loadu_si128(in + 4);
  v[5] = _mm_loadu_si128(in + 5);
  v[6] = _mm_loadu_si128(in + 6);
  v[7] = _mm_loadu_si128(in + 7);
  Transform8<kColumnRound, kColumnShift>(v);  // lanes are columns: the column pass
  Transpose(v);
  Transform8<kRowRound, kRowShift>(v);  // lanes are rows now: the row pass
  Transpose(v);
  __m128i* out = reinterpret_cast<__m128i*>(block);
  _mm_storeu_si128(out + 0, v[0]);
  _mm_storeu_si128(out + 1, v[1]);
  _mm_storeu_si128(out + 2, v[2]);
  _mm_storeu_si128(out + 3, v[3]);
  _mm_storeu_si128(out + 4, v[4]);
  _mm_storeu_si128(out + 5, v[5]);
  _mm_storeu_si128(out + 6, v[6]);
  _mm_storeu_si128(out + 7, v[7]);
}

// With AVX2 the 32-bit sums of all eight lanes fit in one register, so each
// pass is one set of multiply-adds instead of two and holds half as many
// values. Same products, same sums, same results.
__attribute__((target("avx2"))) inline __m256i Pair256(int32_t first, int32_t second) {
  return _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(first) |
                                                (static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16)));
}

__attribute__((target("avx2"))) inline __m256i Interleave256(__m128i a, __m128i b) {
  return _mm256_set_m128i(_mm_unpackhi_epi16(a, b), _mm_unpacklo_epi16(a, b));
}

__attribute__((target("avx2"))) inline __m128i Pack256(__m256i v) {
  return _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

template <int32_t Round, int Shift>
__attribute__((target("avx2"), always_inline)) inline void Transform8Avx2(__m128i* x) {
  const __m256i p04 = Interleave256(x[0], x[4]), p26 = Interleave256(x[2], x[6]);
  const __m256i p13 = Interleave256(x[1], x[3]), p57 = Interleave256(x[5], x[7]);
  const __m256i round = _mm256_set1_epi32(Round);
  const __m256i a = _mm256_add_epi32(_mm256_madd_epi16(p04, Pair256(C4, C4)), round);
  const __m256i b = _mm256_add_epi32(_mm256_madd_epi16(p04, Pair256(C4, -C4)), round);
  const __m256i ea = _mm256_madd_epi16(p26, Pair256(C2, C6)), eb = _mm256_madd_epi16(p26, Pair256(C6, -C2));
  const __m256i e0 = _mm256_add_epi32(a, ea), e3 = _mm256_sub_epi32(a, ea);
  const __m256i e1 = _mm256_add_epi32(b, eb), e2 = _mm256_sub_epi32(b, eb);
  const __m256i o0 = _mm256_add_epi32(_mm256_madd_epi16(p13, Pair256(C1, C3)),
                                      _mm256_madd_epi16(p57, Pair256(C5, C7)));
  const __m256i o1 = _mm256_add_epi32(_mm256_madd_epi16(p13, Pair256(C3, -C7)),
                                      _mm256_madd_epi16(p57, Pair256(-C1, -C5)));
  const __m256i o2 = _mm256_add_epi32(_mm256_madd_epi16(p13, Pair256(C5, -C1)),
                                      _mm256_madd_epi16(p57, Pair256(C7, C3)));
  const __m256i o3 = _mm256_add_epi32(_mm256_madd_epi16(p13, Pair256(C7, -C5)),
                                      _mm256_madd_epi16(p57, Pair256(C3, -C1)));
  x[0] = Pack256(_mm256_srai_epi32(_mm256_add_epi32(e0, o0), Shift));
  x[1] = Pack256(_mm256_srai_epi32(_mm256_add_epi32(e1, o1), Shift));
  x[2] = Pack256(_mm256_srai_epi32(_mm256_add_epi32(e2, o2), Shift));
  x[3] = Pack256(_mm256_srai_epi32(_mm256_add_epi32(e3, o3), Shift));
  x[4] = Pack256(_mm256_srai_epi32(_mm256_sub_epi32(e3, o3), Shift));
  x[5] = Pack256(_mm256_srai_epi32(_mm256_sub_epi32(e2, o2), Shift));
  x[6] = Pack256(_mm256_srai_epi32(_mm256_sub_epi32(e1, o1), Shift));
  x[7] = Pack256(_mm256_srai_epi32(_mm256_sub_epi32(e0, o0), Shift));
}

__attribute__((target("avx2"))) void FullIdctAvx2(int16_t* block) {
  __m128i v[8];
  const __m128i* in = reinterpret_cast<const __m128i*>(block);
  for (int k = 0; k < 8; ++k) v[k] = _mm_loadu_si128(in + k);
  Transform8Avx2<kColumnRound, kColumnShift>(v);
  Transpose(v);
  Transform8Avx2<kRowRound, kRowShift>(v);
  Transpose(v);
  __m128i* out = reinterpret_cast<__m128i*>(block);
  for (int k = 0; k < 8; ++k) _mm_storeu_si128(out + k, v[k]);
}

bool DetectAvx2() {
  // Runs before main, so the feature data must be set up first.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

const bool kHasAvx2 = DetectAvx2();

#else

constexpr bool kHasAvx2 = false;

// The transform of one line whose non-zero inputs are those in `mask`.
void IdctLine(int32_t* v, int stride, int32_t round, int shift, uint32_t mask) {
  if (mask <= 0x0F) {
    Idct8<4>(v, stride, round, shift);
  } else {
    Idct8<8>(v, stride, round, shift);
  }
}

// A column of zeros transforms to zeros (the rounding constant stays below
// one unit of the shift), so only the columns with a non-zero value are
// transformed; after that pass every row holds values only in them.
void LineIdct(int32_t* block, uint32_t rows, uint32_t cols) {
  for (int c = 0; c < 8; ++c)
    if (cols & (1u << c)) IdctLine(block + c, 8, kColumnRound, kColumnShift, rows);
  for (int r = 0; r < 8; ++r) IdctLine(block + 8 * r, 1, kRowRound, kRowShift, cols);
}

#endif

}  // namespace

namespace {

// A block whose only non-zero inputs are first (0) and x (63): the DC of an
// intra block whose mismatch control set the last coefficient, which is
// most blocks at DVD rates. The column pass makes column 0 one value c0 and
// column 7 the odd terms of x; every row then holds inputs 0 and 7 alone,
// and the row pass keeps only their products. Sums and shifts are the full
// transform's with the zero products left out.
void CornerIdct(int16_t* block, int32_t first, int32_t x) {
  const int32_t c0 = (C4 * first + kColumnRound) >> kColumnShift;
  const int32_t base = C4 * c0 + kRowRound;
  const auto column7 = [x](int32_t c) { return (c * x + kColumnRound) >> kColumnShift; };
#if defined(__SSE2__)
  // Lanes of (C, 0) pairs: one multiply-add per lane forms C * m.
  const __m128i lo = _mm_setr_epi32(C7, -C5, C3, -C1), hi = _mm_setr_epi32(C1, -C3, C5, -C7);
  const __m128i b = _mm_set1_epi32(base);
  const auto row = [&](int32_t mr) {
    const __m128i mm = _mm_set1_epi32(mr & 0xFFFF);
    const __m128i lower = _mm_srai_epi32(_mm_add_epi32(b, _mm_madd_epi16(mm, lo)), kRowShift);
    const __m128i upper = _mm_srai_epi32(_mm_add_epi32(b, _mm_madd_epi16(mm, hi)), kRowShift);
    return _mm_packs_epi32(lower, upper);
  };
  __m128i* out = reinterpret_cast<__m128i*>(block);
  if (x == 1 || x == -1) {
    // The usual mark: column 7 is 0, then -x, x, -x, .. alternately, 0.
    const __m128i zero = row(0), plus = row(1), minus = row(-1);
    const __m128i odd = x == 1 ? minus : plus, even = x == 1 ? plus : minus;
    _mm_storeu_si128(out + 0, zero);
    _mm_storeu_si128(out + 1, odd);
    _mm_storeu_si128(out + 2, even);
    _mm_storeu_si128(out + 3, odd);
    _mm_storeu_si128(out + 4, even);
    _mm_storeu_si128(out + 5, odd);
    _mm_storeu_si128(out + 6, even);
    _mm_storeu_si128(out + 7, zero);
    return;
  }
  _mm_storeu_si128(out + 0, row(column7(C7)));
  _mm_storeu_si128(out + 1, row(column7(-C5)));
  _mm_storeu_si128(out + 2, row(column7(C3)));
  _mm_storeu_si128(out + 3, row(column7(-C1)));
  _mm_storeu_si128(out + 4, row(column7(C1)));
  _mm_storeu_si128(out + 5, row(column7(-C3)));
  _mm_storeu_si128(out + 6, row(column7(C5)));
  _mm_storeu_si128(out + 7, row(column7(-C7)));
#else
  constexpr int32_t k[8] = {C7, -C5, C3, -C1, C1, -C3, C5, -C7};
  for (int r = 0; r < 8; ++r) {
    const int32_t m = column7(k[r]);
    for (int i = 0; i < 8; ++i) block[8 * r + i] = static_cast<int16_t>((base + k[i] * m) >> kRowShift);
  }
#endif
}

void Transform(int16_t* block, uint32_t rows, uint32_t cols, bool avx2) {
  if (cols == 0) return;
  if (rows == 1 && cols == 1) {
    // Only the DC coefficient: column 0 becomes one value, and every row
    // then transforms to one value too.
    const int32_t column = (C4 * block[0] + kColumnRound) >> kColumnShift;
    const int16_t x = static_cast<int16_t>((C4 * column + kRowRound) >> kRowShift);
    for (int i = 0; i < 64; ++i) block[i] = x;
    return;
  }
  if ((rows & ~0x81u) == 0 && (cols & ~0x81u) == 0 && block[7] == 0 && block[56] == 0) {
    CornerIdct(block, block[0], block[63]);
    return;
  }
#if defined(__SSE2__)
  if (avx2)
    FullIdctAvx2(block);
  else
    FullIdct(block);
#else
  (void)avx2;
  int32_t wide[64];
  for (int i = 0; i < 64; ++i) wide[i] = block[i];
  LineIdct(wide, rows, cols);
  for (int i = 0; i < 64; ++i) block[i] = static_cast<int16_t>(wide[i]);
#endif
}

}  // namespace

bool CpuHasAvx2() { return kHasAvx2; }

void InverseDct(int16_t* block, uint32_t rows, uint32_t cols) { Transform(block, rows, cols, kHasAvx2); }

void InverseDctWithoutAvx2(int16_t* block, uint32_t rows, uint32_t cols) {
  Transform(block, rows, cols, false);
}

void InverseDctOfCorners(int16_t* block, int32_t first, int32_t last) {
  if (last == 0) {
    const int32_t column = (C4 * first + kColumnRound) >> kColumnShift;
    const int16_t x = static_cast<int16_t>((C4 * column + kRowRound) >> kRowShift);
    for (int i = 0; i < 64; ++i) block[i] = x;
    return;
  }
  CornerIdct(block, first, last);
}

void InverseDctReference(int32_t* block) {
  for (int c = 0; c < 8; ++c) Idct8<8>(block + c, 8, kColumnRound, kColumnShift);
  for (int r = 0; r < 8; ++r) Idct8<8>(block + 8 * r, 1, kRowRound, kRowShift);
}

}  // namespace vm::mpeg2
