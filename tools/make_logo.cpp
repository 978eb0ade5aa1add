// Writes the program's 320 x 200, 256-colour LOGO.BMP: a colour ramp with
// the program's initials drawn in blocks.
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

void Le16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void Le32(uint8_t* p, uint32_t v) { Le16(p, v); Le16(p + 2, v >> 16); }

// 5 x 7 glyphs of "VM".
const char* const kGlyphs[2][7] = {
    {"X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."},
    {"X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_logo OUT.BMP\n");
    return 2;
  }
  constexpr int W = 320, H = 200;
  static uint8_t pixels[W * H];
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) pixels[y * W + x] = uint8_t(16 + (x + y) * 200 / (W + H));
  constexpr int kCell = 12;
  for (int g = 0; g < 2; ++g)
    for (int r = 0; r < 7; ++r)
      for (int c = 0; c < 5; ++c) {
        if (kGlyphs[g][r][c] != 'X') continue;
        for (int dy = 0; dy < kCell; ++dy)
          for (int dx = 0; dx < kCell; ++dx) {
            int x = 70 + g * 7 * kCell + c * kCell + dx;
            int top = 58 + r * kCell + dy;
            pixels[(H - 1 - top) * W + x] = 255;  // rows are stored bottom-up
          }
      }
  uint8_t header[54] = {};
  uint8_t palette[256 * 4] = {};
  for (int i = 0; i < 256; ++i) {
    palette[i * 4 + 0] = uint8_t(128 + i / 2);  // blue
    palette[i * 4 + 1] = uint8_t(i / 2);        // green
    palette[i * 4 + 2] = uint8_t(i / 4);        // red
  }
  std::memset(palette + 255 * 4, 255, 3);
  header[0] = 'B';
  header[1] = 'M';
  Le32(header + 2, sizeof header + sizeof palette + sizeof pixels);
  Le32(header + 10, sizeof header + sizeof palette);
  Le32(header + 14, 40);
  Le32(header + 18, W);
  Le32(header + 22, H);
  Le16(header + 26, 1);
  Le16(header + 28, 8);
  Le32(header + 34, sizeof pixels);
  Le32(header + 46, 256);
  FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) return 1;
  bool ok = std::fwrite(header, sizeof header, 1, f) == 1 &&
            std::fwrite(palette, sizeof palette, 1, f) == 1 &&
            std::fwrite(pixels, sizeof pixels, 1, f) == 1;
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
