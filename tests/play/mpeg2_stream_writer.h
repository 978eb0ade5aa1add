#pragma once

// A test-only MPEG-2 video writer: headers with chosen values and intra
// macroblocks with chosen coefficients, so that the decoder's output can be
// worked out by hand. Also wraps an elementary stream into 2048-byte packs.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace vm::testing {

class BitWriter {
 public:
  // The low n bits of value, first the highest; bits above the 32nd are 0
  // (a run of zero bits may be longer than a word).
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      const uint32_t bit = i < 32 ? (value >> i) & 1 : 0;
      cur_ = static_cast<uint8_t>((cur_ << 1) | bit);
      if (++used_ == 8) Flush();
    }
  }
  // A code given as a string of '0' and '1'.
  void Code(const char* bits) {
    for (const char* p = bits; *p; ++p) Put(*p == '1', 1);
  }
  void Align() {
    while (used_ != 0) Put(0, 1);
  }
  void StartCode(uint8_t value) {
    Align();
    for (uint8_t b : {uint8_t{0}, uint8_t{0}, uint8_t{1}, value}) bytes_.push_back(b);
  }
  std::vector<uint8_t>& Bytes() {
    Align();
    return bytes_;
  }

 private:
  void Flush() {
    bytes_.push_back(cur_);
    cur_ = 0;
    used_ = 0;
  }
  std::vector<uint8_t> bytes_;
  uint8_t cur_ = 0;
  int used_ = 0;
};

struct PictureOptions {
  int type = 1;  // 1 I, 2 P, 3 B
  int fCode[2][2] = {{15, 15}, {15, 15}};
  int intraDcPrecision = 0;
  int qScaleType = 0;
  int intraVlcFormat = 0;
  int alternateScan = 0;
  int progressiveFrame = 1;
};

inline void WriteSequenceHeader(BitWriter& w, int width, int height,
                                const std::vector<uint8_t>* intraMatrix = nullptr) {
  w.StartCode(0xB3);
  w.Put(width, 12);
  w.Put(height, 12);
  w.Put(2, 4);         // aspect ratio
  w.Put(4, 4);         // frame rate
  w.Put(0x3FFFF, 18);  // bit rate
  w.Put(1, 1);
  w.Put(112, 10);
  w.Put(0, 1);
  w.Put(intraMatrix != nullptr, 1);
  if (intraMatrix)
    for (uint8_t v : *intraMatrix) w.Put(v, 8);
  w.Put(0, 1);
  // Sequence extension: 4:2:0.
  w.StartCode(0xB5);
  w.Put(1, 4);
  w.Put(0x48, 8);
  w.Put(1, 1);
  w.Put(1, 2);
  w.Put(0, 2 + 2 + 12 + 1 + 8 + 1 + 2 + 5);
}

inline void WritePicture(BitWriter& w, const PictureOptions& o) {
  w.StartCode(0x00);
  w.Put(0, 10);
  w.Put(o.type, 3);
  w.Put(0xFFFF, 16);
  if (o.type >= 2) w.Put(7, 4);
  if (o.type == 3) w.Put(7, 4);
  w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(8, 4);
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 2; ++t) w.Put(o.fCode[s][t], 4);
  w.Put(o.intraDcPrecision, 2);
  w.Put(3, 2);  // frame picture
  w.Put(1, 1);  // top_field_first
  w.Put(1, 1);  // frame_pred_frame_dct
  w.Put(0, 1);  // concealment vectors
  w.Put(o.qScaleType, 1);
  w.Put(o.intraVlcFormat, 1);
  w.Put(o.alternateScan, 1);
  w.Put(0, 1);
  w.Put(1, 1);
  w.Put(o.progressiveFrame, 1);
  w.Put(0, 1);
}

inline void WriteSliceHeader(BitWriter& w, int row, int quantiserScaleCode) {
  w.StartCode(static_cast<uint8_t>(row));
  w.Put(quantiserScaleCode, 5);
  w.Put(0, 1);
}

// dct_dc_size and dct_dc_differential for one intra block.
inline void WriteDc(BitWriter& w, bool luma, int diff) {
  static const char* const kLuma[] = {"100",      "00",        "01",        "101",
                                      "110",      "1110",      "11110",     "111110",
                                      "1111110",  "11111110",  "111111110", "111111111"};
  static const char* const kChroma[] = {"00",        "01",         "10",        "110",
                                        "1110",      "11110",      "111110",    "1111110",
                                        "11111110",  "111111110",  "1111111110", "1111111111"};
  int size = 0;
  while ((1 << size) <= std::abs(diff)) ++size;
  w.Code(luma ? kLuma[size] : kChroma[size]);
  if (size > 0) w.Put(diff < 0 ? diff + (1 << size) - 1 : diff, size);
}

// An AC coefficient by the escape code: 6-bit run, 12-bit level.
inline void WriteEscape(BitWriter& w, int run, int level) {
  w.Code("000001");
  w.Put(run, 6);
  w.Put(level & 0xFFF, 12);
}

inline void WriteEndOfBlock(BitWriter& w, int intraVlcFormat) {
  w.Code(intraVlcFormat ? "0110" : "10");
}

struct Coefficient {
  int run, level;
};

// One intra macroblock (increment 1, no quantiser change) whose blocks have
// the given DC differentials and escape-coded AC coefficients.
inline void WriteIntraMacroblock(BitWriter& w, const int (&dcDiff)[6],
                                 const std::vector<Coefficient> (*ac)[6] = nullptr,
                                 int intraVlcFormat = 0, const char* increment = "1") {
  w.Code(increment);
  w.Code("1");  // macroblock_type: intra
  for (int b = 0; b < 6; ++b) {
    WriteDc(w, b < 4, dcDiff[b]);
    if (ac)
      for (const Coefficient& c : (*ac)[b]) WriteEscape(w, c.run, c.level);
    WriteEndOfBlock(w, intraVlcFormat);
  }
}

// Wraps an elementary stream into video packs of 2025 payload bytes each,
// with a navigation pack first.
inline std::vector<uint8_t> Packetise(const std::vector<uint8_t>& es, bool navFirst = true) {
  std::vector<uint8_t> out;
  auto packHeader = [&](std::vector<uint8_t>& p) {
    const uint8_t h[14] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8};
    p.insert(p.end(), h, h + 14);
  };
  if (navFirst) {
    std::vector<uint8_t> p;
    packHeader(p);
    const uint8_t nav[6] = {0, 0, 1, 0xBB, 0x07, 0xEC};
    p.insert(p.end(), nav, nav + 6);
    p.resize(2048, 0);
    out.insert(out.end(), p.begin(), p.end());
  }
  for (size_t off = 0; off < es.size(); off += 2025) {
    const size_t n = es.size() - off < 2025 ? es.size() - off : 2025;
    std::vector<uint8_t> p;
    packHeader(p);
    const uint32_t pesLength = static_cast<uint32_t>(n + 3);
    const uint8_t pes[9] = {0, 0, 1, 0xE0, static_cast<uint8_t>(pesLength >> 8),
                            static_cast<uint8_t>(pesLength), 0x81, 0x00, 0x00};
    p.insert(p.end(), pes, pes + 9);
    p.insert(p.end(), es.begin() + static_cast<long>(off), es.begin() + static_cast<long>(off + n));
    p.resize(2048, 0xFF);
    out.insert(out.end(), p.begin(), p.end());
  }
  return out;
}

}  // namespace vm::testing
