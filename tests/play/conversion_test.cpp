// The conversion of the current frame store into the preview image, on
// stores of random samples far outside the nominal range, against the
// colour formulas written out pixel by pixel.

#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "play/decoder_state.h"
#include "play/preview_decoder.h"

namespace vm::mpeg2 {
namespace {

int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

TEST(ConvertPicture, MatchesTheFormulasOnEverySampleRangeAndWidth) {
  struct Size {
    int width, height;
  };
  // Full width, no horizontal step, widths that leave a partial group of
  // four pixels, PAL height, and a width past the store's.
  const Size sizes[] = {{720, 480}, {352, 480}, {704, 480}, {718, 576}, {357, 241}, {361, 480},
                        {800, 480}};
  std::mt19937 rng(5);
  static uint8_t image[kPreviewImageBytes];
  DecoderState& d = State();
  for (const Size& s : sizes) {
    d.horizontalSize = s.width;
    d.verticalSize = s.height;
    d.currentIndex = 1;
    const StoreGeometry g = Geometry(d);
    int16_t* store = d.store[1];
    for (int i = 0; i < g.maxRows * g.pitch; ++i) {
      // Mostly near the nominal range, some at the 16-bit extremes.
      const uint32_t r = rng();
      store[i] = (r & 7) == 0 ? static_cast<int16_t>(r >> 16) : static_cast<int16_t>((r >> 16) % 700 - 300);
    }
    std::memset(image, 0x55, sizeof image);
    SetPreviewImage(image);
    ConvertPicture(d);
    const int w = g.width, h = s.height < 480 ? s.height : 480;
    const int colStep = w > 360 ? 2 : 1, rowStep = h > 240 ? 2 : 1;
    for (int out = 0; out < kPreviewHeight; ++out) {
      const int row = out * rowStep;
      for (int col = 0; col < kPreviewWidth; ++col) {
        const int x = col * colStep;
        const uint8_t* p = image + out * kPreviewRowBytes + 3 * col;
        if (row >= h || x >= w) {
          ASSERT_TRUE(p[0] == 0x55 && p[1] == 0x55 && p[2] == 0x55)
              << s.width << "x" << s.height << " row " << out << " col " << col;
          continue;
        }
        const int16_t* px = store + row * g.pitch + 3 * x;
        const int y = px[0], cb = px[1], cr = px[2];
        const int expect[3] = {Clamp(y + ((454 * cb) >> 8)), Clamp(y + ((-88 * cb - 182 * cr) >> 8)),
                               Clamp(y + ((359 * cr) >> 8))};
        for (int k = 0; k < 3; ++k)
          ASSERT_EQ(p[k], expect[k]) << s.width << "x" << s.height << " row " << out << " col " << col;
      }
    }
  }
  std::memset(d.store[1], 0, sizeof d.store[1]);
  SetPreviewImage(nullptr);
}

}  // namespace
}  // namespace vm::mpeg2
