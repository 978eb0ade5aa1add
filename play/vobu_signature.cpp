#include "play/vobu_signature.h"

#include <cmath>
#include <cstdlib>

namespace vm {

namespace {

constexpr int kLumaBins = 32;    // 8 levels each
constexpr int kChromaBins = 8;   // per axis of the Cb, Cr plane: 32 levels each
// Below this mean deviation a picture counts as flat: its structure term
// has nothing to compare.
constexpr float kFlatDeviation = 2.0f;
// The mean deviation from which a picture's structure counts in full.
constexpr float kFullContrast = 16.0f;

struct Summary {
  float meanY = 0, meanCb = 0, meanCr = 0;
  float deviation = 0;  // mean |Y - meanY|
  float lumaHistogram[kLumaBins] = {};
  float chromaHistogram[kChromaBins * kChromaBins] = {};
};

Summary Summarise(const VobuSignature& s) {
  Summary m;
  const int w = s.width, h = s.height, cw = w / 2, ch = h / 2;
  const float n = static_cast<float>(w * h), nc = static_cast<float>(cw * ch);
  int64_t sum = 0;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      sum += s.y[r][c];
      m.lumaHistogram[s.y[r][c] >> 3] += 1.0f / n;
    }
  m.meanY = static_cast<float>(sum) / n;
  float dev = 0;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) dev += std::fabs(s.y[r][c] - m.meanY);
  m.deviation = dev / n;
  int64_t sumCb = 0, sumCr = 0;
  for (int r = 0; r < ch; ++r)
    for (int c = 0; c < cw; ++c) {
      sumCb += s.cb[r][c];
      sumCr += s.cr[r][c];
      m.chromaHistogram[(s.cb[r][c] >> 5) * kChromaBins + (s.cr[r][c] >> 5)] += 1.0f / nc;
    }
  m.meanCb = static_cast<float>(sumCb) / nc;
  m.meanCr = static_cast<float>(sumCr) / nc;
  return m;
}

float HistogramDistance(const float* a, const float* b, int bins) {
  float d = 0;
  for (int i = 0; i < bins; ++i) d += std::fabs(a[i] - b[i]);
  return d / 2;
}

float Clip(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

}  // namespace

// Three kinds of change, each 0..1:
// - structure: the luma pictures, each less its mean and over its own
//   contrast, compared. A fade only scales the contrast and moves the mean,
//   so it changes nothing here; a cut changes nearly everything.
// - colour: the luma and the chroma histograms. Motion and pans move the
//   picture but keep its colours, so they change little here.
// - plain means: the brightness and colour of flat pictures, where the
//   structure term has nothing to see.
// A cut changes both structure and colours; motion only the first, a fade
// mostly the second, so the first two count through their geometric mean.
// Pictures of little contrast (the dark ends of a fade) give weak evidence
// of structure: their score is scaled down by the contrast.
float SignatureDistance(const VobuSignature& a, const VobuSignature& b) {
  if (a.width <= 1 || a.height <= 1 || a.width != b.width || a.height != b.height) return 0;
  const Summary sa = Summarise(a), sb = Summarise(b);
  const bool flatA = sa.deviation < kFlatDeviation, flatB = sb.deviation < kFlatDeviation;
  if (flatA && flatB) {
    const float means = (std::fabs(sa.meanY - sb.meanY) + std::fabs(sa.meanCb - sb.meanCb) +
                         std::fabs(sa.meanCr - sb.meanCr)) / 64.0f;
    return Clip(means);
  }
  const float ka = flatA ? 0.0f : 1.0f / sa.deviation, kb = flatB ? 0.0f : 1.0f / sb.deviation;
  float diff = 0;
  for (int r = 0; r < a.height; ++r)
    for (int c = 0; c < a.width; ++c)
      diff += std::fabs((a.y[r][c] - sa.meanY) * ka - (b.y[r][c] - sb.meanY) * kb);
  const float structure = Clip(diff / static_cast<float>(a.width * a.height) / 2);
  const float colour = std::fmax(HistogramDistance(sa.lumaHistogram, sb.lumaHistogram, kLumaBins),
                                 HistogramDistance(sa.chromaHistogram, sb.chromaHistogram,
                                                   kChromaBins * kChromaBins));
  const float contrast = std::fmin(1.0f, std::fmax(sa.deviation, sb.deviation) / kFullContrast);
  return std::sqrt(structure * colour) * contrast;
}

}  // namespace vm
