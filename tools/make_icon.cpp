// Draws the program's icon, a disc with a chapter ribbon on a dark rounded
// square, as an RGBA PNG of SIZE x SIZE pixels (4 x 4 samples a pixel). The
// PNG's image data is stored uncompressed, so no library is needed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Rgba {
  double r, g, b, a;
};

constexpr Rgba kClear{0, 0, 0, 0};
constexpr Rgba kBack{0x1d / 255.0, 0x35 / 255.0, 0x57 / 255.0, 1};
constexpr Rgba kDisc{0xd9 / 255.0, 0xdd / 255.0, 0xe3 / 255.0, 1};
constexpr Rgba kGroove{0xa8 / 255.0, 0xb2 / 255.0, 0xc1 / 255.0, 1};
constexpr Rgba kRibbon{0xe6 / 255.0, 0x39 / 255.0, 0x46 / 255.0, 1};

bool InRoundedSquare(double x, double y) {
  constexpr double lo = 0.04, hi = 0.96, r = 0.18;
  if (x < lo || x > hi || y < lo || y > hi) return false;
  const double cx = x < lo + r ? lo + r : x > hi - r ? hi - r : x;
  const double cy = y < lo + r ? lo + r : y > hi - r ? hi - r : y;
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

// The colour at a point of the unit square (y grows downwards).
Rgba Sample(double x, double y) {
  if (!InRoundedSquare(x, y)) return kClear;
  // The ribbon: a strip with a V cut out of its lower end.
  if (x >= 0.60 && x <= 0.80 && y >= 0.04) {
    const double notch = 0.66 - 0.10 * (1 - std::fabs(x - 0.70) / 0.10);
    if (y <= notch) return kRibbon;
  }
  const double d = std::hypot(x - 0.44, y - 0.56);
  if (d <= 0.33 && d > 0.07) return (d > 0.16 && d < 0.18) ? kGroove : kDisc;
  return kBack;
}

void Be32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return c ^ 0xFFFFFFFFu;
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  Be32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  Be32(png, Crc32(png.data() + start, png.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> Stored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
    z.push_back(pos + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  Be32(z, (b << 16) | a);
  return z;
}

}  // namespace

int main(int argc, char** argv) {
  const int size = argc == 3 ? std::atoi(argv[1]) : 0;
  if (size < 8 || size > 1024) {
    std::fprintf(stderr, "usage: make_icon SIZE OUT.png\n");
    return 2;
  }
  constexpr int kSub = 4;
  std::vector<uint8_t> raw;  // each row: filter type 0, then RGBA pixels
  for (int py = 0; py < size; ++py) {
    raw.push_back(0);
    for (int px = 0; px < size; ++px) {
      Rgba sum{0, 0, 0, 0};
      for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx) {
          const Rgba c = Sample((px + (sx + 0.5) / kSub) / size, (py + (sy + 0.5) / kSub) / size);
          sum.r += c.r * c.a;
          sum.g += c.g * c.a;
          sum.b += c.b * c.a;
          sum.a += c.a;
        }
      const double a = sum.a / (kSub * kSub);
      auto channel = [&](double premultiplied) {
        return static_cast<uint8_t>(sum.a > 0 ? std::lround(255 * premultiplied / sum.a) : 0);
      };
      raw.push_back(channel(sum.r));
      raw.push_back(channel(sum.g));
      raw.push_back(channel(sum.b));
      raw.push_back(static_cast<uint8_t>(std::lround(255 * a)));
    }
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  Be32(ihdr, static_cast<uint32_t>(size));
  Be32(ihdr, static_cast<uint32_t>(size));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", Stored(raw));
  Chunk(png, "IEND", {});
  FILE* f = std::fopen(argv[2], "wb");
  if (f == nullptr) return 1;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
