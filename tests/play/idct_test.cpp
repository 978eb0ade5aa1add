// The fast inverse DCT against the transform written out line by line, on
// blocks of every shape the decoder hands it: single coefficients at each
// position, the extremes of the dequantised range, sparse and full blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "play/idct.h"

namespace vm::mpeg2 {
namespace {

struct Block {
  int32_t v[64] = {};
  uint32_t rows = 0, cols = 0;
  void Set(int i, int32_t x) {
    v[i] = x;
    if (x != 0) {
      rows |= 1u << (i >> 3);
      cols |= 1u << (i & 7);
    }
  }
};

// Runs the fast transform, in both of its forms, and the reference; true
// when they agree on all 64 results.
::testing::AssertionResult Agree(const Block& b) {
  int32_t ref[64];
  std::memcpy(ref, b.v, sizeof ref);
  InverseDctReference(ref);
  for (auto* transform : {&InverseDct, &InverseDctWithoutAvx2}) {
    int16_t fast[64];
    for (int i = 0; i < 64; ++i) fast[i] = static_cast<int16_t>(b.v[i]);
    transform(fast, b.rows, b.cols);
    for (int i = 0; i < 64; ++i) {
      if (fast[i] != ref[i])
        return ::testing::AssertionFailure()
               << (transform == &InverseDct ? "" : "without AVX2: ") << "sample " << i << ": "
               << fast[i] << " != " << ref[i];
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(InverseDct, SingleCoefficientsAtEveryPositionAndValueExtreme) {
  for (int i = 0; i < 64; ++i) {
    for (int32_t x : {1, -1, 2, -3, 255, -256, 2047, -2048}) {
      Block b;
      b.Set(i, x);
      EXPECT_TRUE(Agree(b)) << "position " << i << " value " << x;
    }
  }
}

TEST(InverseDct, FullBlocksAtTheRangeLimits) {
  // Every sign pattern of the largest values drives the sums to their
  // bounds in both passes.
  std::mt19937 rng(7);
  for (int n = 0; n < 2000; ++n) {
    Block b;
    for (int i = 0; i < 64; ++i) b.Set(i, (rng() & 1) ? 2047 : -2048);
    ASSERT_TRUE(Agree(b)) << n;
  }
  Block high, low, alternating;
  for (int i = 0; i < 64; ++i) {
    high.Set(i, 2047);
    low.Set(i, -2048);
    alternating.Set(i, ((i >> 3) + i) & 1 ? 2047 : -2048);
  }
  EXPECT_TRUE(Agree(high));
  EXPECT_TRUE(Agree(low));
  EXPECT_TRUE(Agree(alternating));
}

TEST(InverseDct, RandomSparseAndDenseBlocksWithOverstatedMasks) {
  std::mt19937 rng(11);
  for (int n = 0; n < 50000; ++n) {
    Block b;
    const int count = 1 + static_cast<int>(rng() % (n % 3 == 0 ? 64 : 6));
    for (int k = 0; k < count; ++k) {
      const int i = static_cast<int>(rng() % ((n & 1) ? 64 : 16));
      b.Set(i, static_cast<int32_t>(rng() % 4096) - 2048);
    }
    ASSERT_TRUE(Agree(b)) << n;
    // Masks that name lines holding only zeros must not change the result.
    Block wide = b;
    wide.rows |= 1u << (rng() % 8);
    wide.cols |= 1u << (rng() % 8);
    ASSERT_TRUE(Agree(wide)) << n;
  }
}

// DC with the last coefficient (the mismatch control's mark on most intra
// blocks), and the other two corners that must not be taken for it.
TEST(InverseDct, BlocksWithTheFirstAndLastCoefficientsAndOtherCorners) {
  const int32_t values[] = {0, 1, -1, 2, -2, 7, 8, -8, 1016, -1024, 2047, -2048};
  for (int32_t dc : values) {
    for (int32_t last : values) {
      Block b;
      b.Set(0, dc);
      b.Set(63, last);
      EXPECT_TRUE(Agree(b)) << dc << " " << last;
      Block marked = b;  // masks naming both corner lines as the decoder notes them
      marked.rows |= 0x81;
      marked.cols |= 0x81;
      EXPECT_TRUE(Agree(marked)) << dc << " " << last;
      int16_t direct[64];
      std::memset(direct, 0x5A, sizeof direct);  // written, never read
      InverseDctOfCorners(direct, dc, last);
      int32_t ref[64];
      std::memcpy(ref, b.v, sizeof ref);
      InverseDctReference(ref);
      for (int i = 0; i < 64; ++i) ASSERT_EQ(direct[i], ref[i]) << dc << " " << last << " sample " << i;
      for (int corner : {7, 56}) {
        Block c = b;
        c.Set(corner, last == 0 ? 5 : last);
        EXPECT_TRUE(Agree(c)) << dc << " " << last << " at " << corner;
      }
    }
  }
}

TEST(InverseDct, EmptyBlockStaysZero) {
  Block b;
  int16_t v[64] = {};
  InverseDct(v, 0, 0);
  for (int16_t x : v) EXPECT_EQ(x, 0);
  EXPECT_TRUE(Agree(b));
}

}  // namespace
}  // namespace vm::mpeg2
