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
  kPreviewReadError = 5,   // a read failed: the message names the file and sector
  kPreviewEncrypted = 6,   // a CSS-scrambled pack: the title must be decrypted first
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
// The image set last (nullptr before any).
uint8_t* CurrentPreviewImage();

// The width a picture `height` pixels high is shown at, by the display
// aspect of the last sequence header decoded (4:3 unless it said 16:9 or
// 2.21:1).
int32_t PreviewDisplayWidth(int32_t height);

// owner shows the messages. continuationPath is the next VOB file of the set
// or ""; it is emptied the first time it is needed, so it is used at most
// once per call.
int32_t DecodePreviewPicture(Ui& owner, const char* vobPath, char* continuationPath,
                             uint32_t startSector);

}  // namespace vm
