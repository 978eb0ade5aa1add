#pragma once

// The small picture of a VOBU that scene-cut detection compares: the mean
// of every 8 x 8 block of its first picture, Y at one eighth of the picture
// size (90 x 60 for 720 x 480) and Cb, Cr at one sixteenth (4:2:0 chroma).
// An intra picture gives it from its DC coefficients alone, with no inverse
// transform.

#include <cstdint>

#include "common/ui.h"

namespace vm {

constexpr int kSignatureMaxWidth = 90;   // 720 / 8
constexpr int kSignatureMaxHeight = 72;  // 576 / 8
constexpr int kSignatureChromaWidth = kSignatureMaxWidth / 2;
constexpr int kSignatureChromaHeight = kSignatureMaxHeight / 2;

struct VobuSignature {
  int32_t width;   // luma blocks per row, 0 when nothing was decoded
  int32_t height;  // luma block rows
  uint8_t y[kSignatureMaxHeight][kSignatureMaxWidth];
  uint8_t cb[kSignatureChromaHeight][kSignatureChromaWidth];
  uint8_t cr[kSignatureChromaHeight][kSignatureChromaWidth];
  // 1 when the first picture was not an intra frame picture and was decoded
  // in full, its blocks averaged from the reconstructed picture.
  int32_t fullDecode;
  // The navigation pack's VOBU_S_PTM: when the VOBU's first picture is
  // shown, in 90 kHz ticks; 0 without a navigation pack.
  uint32_t startPtm;
};

// Decodes the signature of the VOBU whose navigation pack is `startSector`
// of `vobPath`, reading only the packs up to the end of its first reference
// picture (the navigation pack says where that is). The same result codes
// and messages as DecodePreviewPicture.
int32_t DecodeVobuSignature(Ui& owner, const char* vobPath, char* continuationPath,
                            uint32_t startSector, VobuSignature& out);

// How different b is from a, 0 (alike) to about 1: a hard cut scores high,
// the steady change of motion, pans and fades low. Signatures of different
// sizes, or an empty one, score 0.
float SignatureDistance(const VobuSignature& a, const VobuSignature& b);

}  // namespace vm
