#pragma once

// The decoder's 8x8 integer inverse DCT: an 8-point transform of every
// column (products rounded with 2048 and shifted by 12), then of every row
// (16384, 15), with the constants C1..C7 = 5681, 5352, 4816, 4096, 3218,
// 2217, 1130. Inputs are dequantised coefficients in raster order, within
// [-2048, 2047]; the results, which fit in 16 bits, replace them.

#include <cstdint>

namespace vm::mpeg2 {

// `rows` and `cols` have bit r (c) set when row r (column c) of the input
// holds a non-zero value; a set bit for a zero line is allowed. The result
// is that of InverseDctReference, bit for bit, on every input.
void InverseDct(int16_t* block, uint32_t rows, uint32_t cols);

// The transform of a block whose inputs are all zero but `first` at 0 and
// `last` at 63, each in [-2048, 2047]; the block is only written.
void InverseDctOfCorners(int16_t* block, int32_t first, int32_t last);

// Whether the processor has AVX2, by which the transform and the preview
// conversion choose their forms.
bool CpuHasAvx2();

// The same as InverseDct, as processors without AVX2 run it.
void InverseDctWithoutAvx2(int16_t* block, uint32_t rows, uint32_t cols);

// The transform written out line by line, for checking the fast one.
void InverseDctReference(int32_t* block);

}  // namespace vm::mpeg2
