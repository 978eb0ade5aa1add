#pragma once

// Decodes the first picture of the video stream that starts at a sector of
// a VOB file into the 360 x 240 preview image (24-bit B, G, R, bottom-up).

#include <cstdint>

#include "common/ui.h"

namespace vm {

constexpr int kPreviewWidth = 360;
constexpr int kPreviewHeight = 240;
constexpr int kPreviewRowBytes = kPreviewWidth * 3;
constexpr int kPreviewImageBytes = kPreviewRowBytes * kPreviewHeight;

enum PreviewResult : int32_t {
  kPreviewFinished = 0,
  kPreviewOpenError = 1,
  kPreviewSeekError = 2,
  kPreviewTooSmall = 3,
  kPreviewDecodeError = 4,
};

// Decoder error codes (the number in the decoding-error message).
enum PreviewError : int32_t {
  kErrNone = 0,
  kErrForwardHorizontalFCode = 1,
  kErrForwardVerticalFCode = 2,
  kErrBackwardHorizontalFCode = 3,
  kErrBackwardVerticalFCode = 4,
  kErrMotionCode = 5,
  kErrAddressIncrement = 6,
  kErrCodedBlockPattern = 7,
  kErrCoefficientCode = 10,
  kErrTooManyCoefficients = 11,
  kErrPictureTooSmall = 100,
};

// The image the next calls write into: kPreviewImageBytes bytes.
void SetPreviewImage(uint8_t* image);

// owner shows the messages. continuationPath is the next VOB file of the set
// or ""; it is emptied the first time it is needed, so it is used at most
// once per call.
int32_t DecodePreviewPicture(Ui& owner, const char* vobPath, char* continuationPath,
                             uint32_t startSector);

}  // namespace vm
